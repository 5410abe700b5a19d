#pragma once
// The SVG drawn for an EMF is made from the EMF's text, which the converter
// copies into the SVG unescaped: a text record can close its CDATA section
// and add markup of its own. Qt's SVG renderer loads the picture an <image>
// names from a file (relative to the current folder, or absolute), so such a
// record could show any picture on the disk as the page.
#include <QByteArray>

namespace metafile_helper {

// The SVG without any reference that leads outside it: an href or
// xlink:href on any element is kept only when it names a part of the same
// document ("#id") or carries its data inline ("data:"). Empty when the SVG
// is no well-formed XML, which Qt would not draw anyway.
QByteArray withoutOutsideReferences(const QByteArray& svg);

} // namespace metafile_helper
