#include "profiles/ProfileKeys.h"

#include "common/GridLimits.h"
#include "profiles/HostManagerCommon.h"

namespace {
using A = TAliasInfo;
constexpr TProfileSection Alias = TProfileSection::Alias, Global = TProfileSection::Global;
} // namespace

// The alias keys in the order the file has always had them.
const std::array<TProfileKey, 39> ProfileKeys{{
    {"Address", Alias, &A::Address, "Remote Address"},
    {"Port", Alias, &A::Port, 23, {1, 65535}},
    {"SoftScroll", Alias, &A::SoftScroll, false},
    {"CrossCaret", Alias, &A::CrossCaret, true},
    {"VisualBeep", Alias, &A::VisualBeep, true},
    {"BeepOn", Alias, &A::BeepOn, true},
    {"AutoWrap", Alias, &A::AutoWrap, true},
    {"AutoLF", Alias, &A::AutoLF, false},
    {"AutoCR", Alias, &A::AutoCR, false},
    {"ColorCaret", Alias, &A::ColorCaret, ColorYellow},
    {"ColorBack", Alias, &A::ColorBack, TColor{0}}, // black
    {"FontName", Alias, &A::FontName, "FixedSys"},
    {"FontSize", Alias, &A::FontSize, 12, {1, MaxFontSize}},
    {"FontColor", Alias, &A::FontColor, TColor{0x00C0C0C0}}, // silver
    {"ScrollBuffer", Alias, &A::ScrollBuffer, 1000, {1, MaxScrollBuffer}},
    {"Col", Alias, &A::Col, 80, {1, MaxCols}},
    {"Row", Alias, &A::Row, 30, {1, MaxRows}},
    {"TerminalType", Alias, &A::TerminalType, "xterm"},
    {"Monochrome", Alias, &A::Monochrome, false},
    {"HostEncoding", Alias, &A::HostEncoding, "CP949"},
    {"XtermLevel", Alias, &A::XtermLevel, false, {}, true}, // 0 classic, 1 xterm
    {"Protocol", Alias, &A::Protocol, "Telnet", {}, true},
    {"UserName", Alias, &A::UserName, "", {}, true},
    {"IdentityFile", Alias, &A::IdentityFile, "", {}, true},
    {"ConnectTimeout", Alias, &A::ConnectTimeout, 30, {1, MaxConnectTimeout}, true},
    {"LogFile", Alias, &A::LogFile, "", {}, true},
    {"LogMode", Alias, &A::LogMode, "Text", {}, true},
    {"LogEncoding", Alias, &A::LogEncoding, "Host", {}, true},
    {"LogTimestamps", Alias, &A::LogTimestamps, false, {}, true},
    {"LogAppend", Alias, &A::LogAppend, false, {}, true},
    {"KeepAlive", Alias, &A::KeepAlive, 0, {0, MaxKeepAlive}, true},
    {"AutoReconnect", Alias, &A::AutoReconnect, false, {}, true},
    {"ShowToolBar", Global, &A::ShowToolBar, true},
    {"ShowStatusBar", Global, &A::ShowStatusBar, true},
    {"ShowScrollBar", Global, &A::ShowScrollBar, true},
    {"ExitOnDisconnect", Global, &A::ExitOnDisconnect, false},
    {"FastInterrupt", Global, &A::FastInterrupt, false},
    {"HanEng", Global, &A::HanEng, false},
    {"HangulLayout", Global, &A::HangulLayout, "2", {}, true}, // libhangul's keyboard id
}};

void BringIntoRange(TAliasInfo& Info)
{
    for (const TProfileKey& K : ProfileKeys) {
        const auto* Field = std::get_if<std::int32_t TAliasInfo::*>(&K.Field);
        if (!Field || !K.Range.Bounded() || *Field == &TAliasInfo::Port) continue;
        std::int32_t& V = Info.**Field;
        if (V < K.Range.Min) V = std::get<std::int32_t>(K.Default);
        if (V > K.Range.Max) V = K.Range.Max;
    }
    if (Info.ScrollBuffer <= Info.Row) Info.ScrollBuffer = Info.Row + 1;
}

const TProfileKey* ProfileKeyOf(const TProfileField& Field)
{
    for (const TProfileKey& K : ProfileKeys)
        if (K.Field == Field) return &K;
    return nullptr;
}
