#pragma once
// What an edition fixes when it is built; nothing switches it at run time.
#include "reader/layout.h"
#include "speech/read_aloud.h"

#include <QString>

namespace reader {

struct EditionProfile {
    QString caption = QStringLiteral("Aurelis 2003");
    speech::ReadFailureMode readFailure = speech::ReadFailureMode::Silent;
    bool hasSpeechDialog = true;
    QString exitCaption = QStringLiteral("退出(&Esc)");
    double titleColumnFactor = 10.0;
    LayoutOptions layout;
    bool listDoubleClickRestoresLayout = true;
};

// The general edition: reads any book through its catalogue file.
EditionProfile generalEdition();

} // namespace reader
