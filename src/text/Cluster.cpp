#include "text/Cluster.h"

namespace {
void AppendUtf8(std::string& Out, char32_t U)
{
    if (U < 0x80) {
        Out += static_cast<char>(U);
    } else if (U < 0x800) {
        Out += static_cast<char>(0xC0 | U >> 6);
        Out += static_cast<char>(0x80 | (U & 0x3F));
    } else if (U < 0x10000) {
        Out += static_cast<char>(0xE0 | U >> 12);
        Out += static_cast<char>(0x80 | (U >> 6 & 0x3F));
        Out += static_cast<char>(0x80 | (U & 0x3F));
    } else {
        Out += static_cast<char>(0xF0 | U >> 18);
        Out += static_cast<char>(0x80 | (U >> 12 & 0x3F));
        Out += static_cast<char>(0x80 | (U >> 6 & 0x3F));
        Out += static_cast<char>(0x80 | (U & 0x3F));
    }
}
} // namespace

std::string TCluster::Utf8() const
{
    std::string Out;
    for (int I = 0; I < Count; ++I) AppendUtf8(Out, CodePoints[static_cast<std::size_t>(I)]);
    return Out;
}
