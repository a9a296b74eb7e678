#pragma once

#include <QByteArray>

// Page 0 as Jet 3 and Jet 4 files alike begin it.
namespace velkaro::mkbase::jet {

inline constexpr int kVersionAt = 0x14; // 0 Jet 3, 1 Jet 4, 2 and up ACE

// The magic number, "Standard Jet DB", the version, the constant start of the masked part and the pattern that ends
// the page. The format fills in its own fields, then masks the header with toggleHeaderMask.
QByteArray headerPage(int pageSize, quint8 version);

// Masks the header's masked part with the RC4 stream every Jet file uses there, or unmasks it (RC4 undoes itself):
// 126 bytes from 0x18 in Jet 3, 128 in later versions, as the version byte says.
void toggleHeaderMask(quint8 *page);

} // namespace velkaro::mkbase::jet
