#pragma once
// The catalogue file: one page per line, "title-picture-text", GBK, CR LF.
#include <QString>
#include <QStringList>

namespace platform { class ListView; }

namespace reader {

struct CatalogueLine {
    QString title;        // piece 0
    QString pictureFile;  // piece 1
    QString textFile;     // piece 2
};

// No title or file name comes near this many characters; a longer piece is
// cut here, since a list cell or a status panel holding millions of them
// would hold the window up for seconds at every paint.
constexpr int kMaxCataloguePieceChars = 1024;

// Cuts at every "-"; missing pieces stay empty, pieces after the third are
// ignored, and each piece is at most kMaxCataloguePieceChars long.
CatalogueLine parseCatalogueLine(const QString& line);

// The path of a page file the catalogue names. Page files lie in the working
// folder or below it; "\\" separates folders as it does where books are made.
// A name that is absolute, has a drive letter, steps out with ".." or leads
// out through a link leads out of the book: platform::Error FileNotFound.
// Links that stay inside the book are followed.
QString pageFilePath(const QString& name);

// The catalogue's name is matched without regard to letter case: the existing
// file in the folder whose name equals docitem.txt in any case, or the name to create.
QString findCatalogueFile(const QString& folder);
inline constexpr char16_t kCatalogueName[] = u"docitem.txt";

// The most rows a catalogue holds: its sequence numbers are 16-bit.
constexpr int kMaxCatalogueRows = 32767;
// A larger file is no catalogue: 32767 long lines stay well below it.
constexpr qint64 kMaxCatalogueBytes = qint64(16) * 1024 * 1024;

// The reading loop: appends one row per catalogue line to the list, numbered
// from 1, up to the first empty line (sub-items: title, text file, picture file).
// The file is created empty when missing. Throws platform::Error when it cannot be opened.
void readCatalogueRows(platform::ListView& list, const QString& catalogueFile);

// Column widths from the list width: W = whole twips / 10, remainder dropped.
struct ColumnWidths {
    double number, title, textFile, pictureFile;
};
ColumnWidths catalogueColumnWidths(double listWidthTwips, double titleFactor = 10.0);

extern const QString kColumnNumber;
extern const QString kColumnTitle;
extern const QString kColumnTextFile;
extern const QString kColumnPictureFile;

} // namespace reader
