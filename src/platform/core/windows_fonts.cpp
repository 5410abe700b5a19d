#include "platform/core/windows_fonts.h"

#include <QFont>
#include <QStringList>

namespace platform {

void substituteWindowsFonts()
{
    // The Chinese faces' Latin letters are all of one width, a typewriter's
    // ("Ctr1+P"): a proportional serif face goes first for Latin text, and the
    // characters it lacks come from the Chinese face after it.
    const QStringList latinSerif = {QStringLiteral("Nimbus Roman"), QStringLiteral("DejaVu Serif")};
    const QStringList song = latinSerif + QStringList{QStringLiteral("AR PL UMing CN"), QStringLiteral("AR PL UMing TW"),
                                                      QStringLiteral("WenQuanYi Zen Hei"), QStringLiteral("Noto Serif CJK SC")};
    const QStringList li = latinSerif + QStringList{QStringLiteral("AR PL UKai CN"), QStringLiteral("AR PL UKai TW"),
                                                    QStringLiteral("WenQuanYi Zen Hei")};
    QFont::insertSubstitutions(QStringLiteral("宋体"), song);
    QFont::insertSubstitutions(QStringLiteral("SimSun"), song);
    QFont::insertSubstitutions(QStringLiteral("新宋体"), song);
    QFont::insertSubstitutions(QStringLiteral("隶书"), li);
    QFont::insertSubstitutions(QStringLiteral("LiSu"), li);
    QFont::insertSubstitutions(QStringLiteral("楷体_GB2312"), li);
    QFont::insertSubstitutions(QStringLiteral("黑体"), {QStringLiteral("WenQuanYi Zen Hei")});
    QFont::insertSubstitutions(QStringLiteral("Arial"), {QStringLiteral("DejaVu Sans"), QStringLiteral("WenQuanYi Zen Hei")});
}

} // namespace platform
