#pragma once

#include <QtGlobal>

namespace velkaro::mkbase {

// The RC4 stream cipher: XORs data with the key stream of key; applied twice it gives the data back. Jet masks part
// of its header with it and encodes pages with it.
void rc4(const quint8 *key, int keyLength, quint8 *data, qsizetype length);

} // namespace velkaro::mkbase
