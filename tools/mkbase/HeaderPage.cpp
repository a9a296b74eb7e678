#include "HeaderPage.h"

#include "Jet4Format.h"
#include "Rc4.h"

namespace velkaro::mkbase::jet {

namespace {

constexpr int kMaskedStart = 0x18;

} // namespace

QByteArray headerPage(int pageSize, quint8 version)
{
    QByteArray page(pageSize, '\0');
    auto *b = reinterpret_cast<quint8 *>(page.data());
    jet4::put32(b, 0x00000100);
    std::memcpy(b + 0x04, "Standard Jet DB", 16);
    b[kVersionAt] = version;
    constexpr quint8 kConstantStart[24] = {0x00, 0x01, 0x00, 0x00, 0x01, 0x01, 0x00, 0x00, 0x02, 0x00, 0x00, 0x00, 0x03,
        0x00, 0x00, 0x00, 0x04, 0x00, 0x00, 0x00, 0x05, 0x00, 0x00, 0x00};
    std::memcpy(b + kMaskedStart, kConstantStart, sizeof kConstantStart);
    const int patternStart = pageSize - 0x200;
    b[patternStart] = 0x01;
    b[patternStart + 1] = 0x01;
    for (int at = patternStart + 2; at < pageSize; at += 2)
        b[at + 1] = 0x01;
    return page;
}

void toggleHeaderMask(quint8 *page)
{
    constexpr quint8 kHeaderKey[4] = {0xC7, 0xDA, 0x39, 0x6B};
    rc4(kHeaderKey, 4, page + kMaskedStart, page[kVersionAt] == 0 ? 126 : 128);
}

} // namespace velkaro::mkbase::jet
