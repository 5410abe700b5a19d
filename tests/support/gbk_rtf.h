#pragma once
// Rich text files as Chinese word processors write them: GBK, every
// double-byte character as \'hh pairs, the font 宋体 named in GBK too.
#include <QByteArray>
#include <QString>

namespace testing_support {

// Each line of `body` a paragraph, in the default size.
QByteArray gbkRtf(const QString& body);

// The same, its first paragraph a title: centred, bold and red.
QByteArray gbkRtfWithTitle(const QString& body);

} // namespace testing_support
