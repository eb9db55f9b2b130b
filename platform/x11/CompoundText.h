#pragma once

#include <QByteArrayView>
#include <QString>

namespace quenda::x11 {

// Text in X's COMPOUND_TEXT encoding, as Xlib programs (xterm among them) put a title that
// is not all Latin-1 into WM_NAME: ISO 2022 starting with ASCII on the left half and Latin-1's
// right half on the right, switched by designations of ISO 8859 right halves and of the
// Chinese, Japanese and Korean double-byte sets, with UTF-8 segments and extended segments
// (a named encoding and a byte count). Tabs and newlines stay, other controls go; whatever
// cannot be read (an unknown set, a cut-off escape, bytes the set does not define, a count
// past the end, invalid UTF-8) becomes U+FFFD and decoding goes on after it.
QString decodeCompoundText(QByteArrayView bytes);

}  // namespace quenda::x11
