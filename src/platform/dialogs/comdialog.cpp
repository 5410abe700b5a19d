#include "platform/dialogs/comdialog.h"

#include "platform/core/error.h"
#include "platform/printer/printer.h"

#include <QColorDialog>
#include <QPrintDialog>
#include <QPrinter>

namespace platform {

namespace {

DialogRecorder* g_recorder = nullptr;

[[noreturn]] void cancelled()
{
    throw Error(errc::Cancelled);
}

} // namespace

DialogRecorder::DialogRecorder() : previous_(g_recorder) { g_recorder = this; }

DialogRecorder::~DialogRecorder() { g_recorder = previous_; }

void ComDialog::ShowColor()
{
    const DialogRequest request{DialogKind::Color, title_, color_};
    std::optional<QColor> chosen;
    if (DialogRecorder* rec = g_recorder) {
        rec->shown_.append(request);
        if (rec->color_)
            chosen = rec->color_(request);
    } else {
        const QColor c = QColorDialog::getColor(color_, owner_, title_);
        if (c.isValid())
            chosen = c;
    }
    if (!chosen || !chosen->isValid())
        cancelled();
    // A colour value has no transparency.
    color_ = chosen->toRgb();
    color_.setAlpha(255);
}

void ComDialog::ShowPrinter(Printer& printer)
{
    const DialogRequest request{DialogKind::Printer, title_, QColor()};
    bool accepted = false;
    if (DialogRecorder* rec = g_recorder) {
        rec->shown_.append(request);
        accepted = rec->printer_ && rec->printer_(request, printer.device());
    } else {
        QPrintDialog dialog(&printer.device(), owner_);
        // One picture on one page: page ranges and selections mean nothing here.
        dialog.setOptions(QAbstractPrintDialog::PrintToFile | QAbstractPrintDialog::PrintShowPageSize
                          | QAbstractPrintDialog::PrintCollateCopies);
        dialog.setWindowTitle(title_);
        accepted = dialog.exec() == QDialog::Accepted;
    }
    if (!accepted)
        cancelled();
}

} // namespace platform
