#pragma once
// The window's common dialog: a colour dialog and a printer dialog, each under
// the title the command set. A cancelled dialog is an error, so the command
// takes its error path and does nothing it would have done after the dialog.
#include <QColor>
#include <QList>
#include <QString>
#include <functional>
#include <optional>

class QPrinter;
class QWidget;

namespace platform {

class Printer;

class ComDialog {
public:
    explicit ComDialog(QWidget* owner = nullptr) : owner_(owner) {}

    QString DialogTitle() const { return title_; }
    void setDialogTitle(const QString& title) { title_ = title; }
    QColor Color() const { return color_; }
    void setColor(const QColor& color) { color_ = color; }

    // Opens on Color(); the colour chosen becomes Color(). Throws platform::Error on cancel.
    void ShowColor();
    // Sets up the printer's device: which printer or PDF file, page, copies.
    // Throws platform::Error on cancel.
    void ShowPrinter(Printer& printer);

private:
    QWidget* owner_;
    QString title_;
    QColor color_ = Qt::black;
};

enum class DialogKind { Color, Printer };

struct DialogRequest {
    DialogKind kind;
    QString title;
    QColor color;  // the colour the colour dialog opens on
};

// While alive, the dialogs are not shown: each is recorded and answered by the
// functions given (without one: cancelled).
class DialogRecorder {
public:
    // A colour, or nothing for cancel.
    using ColorAnswer = std::function<std::optional<QColor>(const DialogRequest&)>;
    // Sets the device up as the user would and returns true, or returns false for cancel.
    using PrinterAnswer = std::function<bool(const DialogRequest&, QPrinter&)>;

    DialogRecorder();
    ~DialogRecorder();
    DialogRecorder(const DialogRecorder&) = delete;
    DialogRecorder& operator=(const DialogRecorder&) = delete;

    void answerColor(ColorAnswer answer) { color_ = std::move(answer); }
    void answerPrinter(PrinterAnswer answer) { printer_ = std::move(answer); }
    const QList<DialogRequest>& shown() const { return shown_; }

private:
    friend class ComDialog;
    QList<DialogRequest> shown_;
    ColorAnswer color_;
    PrinterAnswer printer_;
    DialogRecorder* previous_;
};

} // namespace platform
