#pragma once
// Telling GBK from UTF-8 in a text file without a byte-order mark.
//
// Catalogues and page texts are GBK; UTF-8 is read as a courtesy to files
// saved by UTF-8 editors, and that courtesy must never cost a GBK file. Bytes
// can be valid both ways (GBK 时瘛唤 is CA B1 F1 A1 BB BD, which UTF-8 reads as
// "ʱ" and an unassigned character; UTF-8 中文 is GBK 涓枃 with a private-use
// character between). Such bytes are read the way that gives the more
// plausible Chinese text, and as GBK when neither is.
#include <QByteArrayView>

namespace platform {

// Whether bytes without a byte-order mark are UTF-8 rather than GBK: they must
// be valid UTF-8 and read as more plausible Chinese that way than as GBK.
// Text in the characters of GB2312 (its hanzi of both levels, its punctuation
// and full-width forms) never reads as more plausible UTF-8, whatever its
// bytes. A large file is judged by a bounded sample.
bool looksLikeUtf8(QByteArrayView bytes);

} // namespace platform
