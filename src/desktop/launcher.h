#pragma once
// corvane-book: decides which folder corvane runs in. corvane reads (and, for a
// folder without a catalogue, starts a new book in) the folder it runs in, so
// the launcher opens a book only where there is one, or where the user says so.
//
// The dialogs and the start of corvane are hooks, so the decisions can be
// driven without a modal loop; its message boxes go through platform::msgBox.
#include <QString>
#include <QStringList>
#include <functional>

namespace launcher {

// The title of the folder chooser.
QString chooserTitle();
// The user's own book folder under the home folder.
QString ownBookFolder(const QString& home);

struct Setup {
    QString corvane;  // the program to start
    QString demoBook; // copied into the user's own book folder when it is made
    QString home;     // the user's home folder; empty when unknown
};

struct Hooks {
    // Shows the folder chooser starting in startFolder; an empty result is "cancelled".
    std::function<QString(const QString& title, const QString& startFolder)> chooseFolder;
    // Starts the program with folder as its working folder; false when it did not start.
    std::function<bool(const QString& program, const QString& folder)> start;
};

// Opens the book that the arguments name (none: the user picks one, starting
// in the own book folder). Returns the exit status: 0 when corvane started or
// the user chose not to open a book, 1 when an error was shown.
int openBook(const QStringList& arguments, const Setup& setup, const Hooks& hooks);

} // namespace launcher
