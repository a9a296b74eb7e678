#include "Rc4.h"

#include <utility>

namespace velkaro::mkbase {

void rc4(const quint8 *key, int keyLength, quint8 *data, qsizetype length)
{
    quint8 state[256];
    for (int i = 0; i < 256; ++i)
        state[i] = quint8(i);
    for (int i = 0, j = 0; i < 256; ++i) {
        j = (j + state[i] + key[i % keyLength]) & 0xFF;
        std::swap(state[i], state[j]);
    }
    int i = 0;
    int j = 0;
    for (qsizetype n = 0; n < length; ++n) {
        i = (i + 1) & 0xFF;
        j = (j + state[i]) & 0xFF;
        std::swap(state[i], state[j]);
        data[n] ^= state[(state[i] + state[j]) & 0xFF];
    }
}

} // namespace velkaro::mkbase
