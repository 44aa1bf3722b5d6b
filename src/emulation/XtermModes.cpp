// The xterm level's state: modes, renditions and colours, the saved cursor,
// character sets, the alternate screen, resets, answers to the host's
// queries and the window title.
#include "common/LogSink.h"
#include "common/Switches.h"
#include "emulation/Input_VT100.h"
#include "emulation/Output_VT100.h"

#include <algorithm>
#include <cstdio>
#include <string>

namespace {
void WriteLog(std::string_view Text)
{
    if (LogEnabled()) LogToSink(Text);
}

constexpr TColor Rgb(unsigned R, unsigned G, unsigned B) { return R | G << 8 | B << 16; }

// xterm's colours 8..15, then its 6x6x6 cube and the grey ramp.
TColor XtermColour(const TTerm& Term, int Index)
{
    static constexpr TColor Bright[8] = {Rgb(127, 127, 127), Rgb(255, 0, 0),    Rgb(0, 255, 0),
                                         Rgb(255, 255, 0),   Rgb(92, 92, 255),  Rgb(255, 0, 255),
                                         Rgb(0, 255, 255),   Rgb(255, 255, 255)};
    if (Index < 8) return Term.Palette[static_cast<std::size_t>(Index)];
    if (Index < 16) return Bright[Index - 8];
    if (Index < 232) {
        const auto Level = [](int V) { return static_cast<unsigned>(V == 0 ? 0 : 55 + 40 * V); };
        const int C = Index - 16;
        return Rgb(Level(C / 36), Level(C / 6 % 6), Level(C % 6));
    }
    const auto Grey = static_cast<unsigned>(8 + 10 * (Index - 232));
    return Rgb(Grey, Grey, Grey);
}

// Bold shows colours 0..7 as their bright halves, as xterm's boldColors does.
TColor Resolve(const TTerm& Term, std::int32_t Spec, TColor Default, bool Bold)
{
    if (Spec == TPen::Default || Term.Monochrome) return Default;
    if (Spec & TPen::Direct) return static_cast<TColor>(Spec & 0xFFFFFF);
    return XtermColour(Term, Bold && Spec < 8 ? Spec + 8 : Spec);
}

// An extended colour at parameter I (38 or 48): 5;n, 2;r;g;b or their colon
// forms (2:cs:r:g:b too). Sets Spec when it is complete; returns the index of
// the last parameter it took.
int ExtendedColour(const TO_VT100::TCsi& P, int I, std::int32_t& Spec)
{
    int Last = I + 1, First = I + 2; // the kind, then the values
    if (I + 1 < P.Count && P.Sub[I + 1]) {
        while (Last + 1 < P.Count && P.Sub[Last + 1]) ++Last;
        if (P.Raw(I + 1) == 2 && Last - I >= 5) First = I + 3; // a colour-space id
    } else {
        Last = P.Raw(I + 1) == 5 ? I + 2 : P.Raw(I + 1) == 2 ? I + 4 : I + 1;
    }
    if (P.Raw(I + 1) == 5 && First < P.Count)
        Spec = std::min(P.Raw(First), 255);
    else if (P.Raw(I + 1) == 2 && First + 2 < P.Count)
        Spec = TPen::Direct | static_cast<std::int32_t>(
                                  Rgb(static_cast<unsigned>(std::min(P.Raw(First), 255)),
                                      static_cast<unsigned>(std::min(P.Raw(First + 1), 255)),
                                      static_cast<unsigned>(std::min(P.Raw(First + 2), 255))));
    return std::min(Last, P.Count - 1);
}

// SGR 30-37, 40-47 and their bright forms 90-97, 100-107.
bool BasicColour(int V, TPen& Pen)
{
    if (V >= 30 && V <= 37)
        Pen.Fg = V - 30;
    else if (V >= 40 && V <= 47)
        Pen.Bg = V - 40;
    else if (V >= 90 && V <= 97)
        Pen.Fg = V - 90 + 8;
    else if (V >= 100 && V <= 107)
        Pen.Bg = V - 100 + 8;
    else
        return false;
    return true;
}
} // namespace

// ---------------------------------------------------------------- renditions

void TO_VT100::SetPen(TTerm& Term, const TPen& Pen)
{
    TScr& S = Term.Scr;
    S.Xt.Pen = Pen;
    S.CurFore = Resolve(Term, Pen.Fg, S.FontColor, Pen.Attr & caBold);
    S.CurBack = Resolve(Term, Pen.Bg, S.BackColor, false);
    S.CurAttr = Pen.Attr;
}

void TO_VT100::RenditionXterm(TTerm& Term, const TCsi& P)
{
    TPen Pen = Term.Scr.Xt.Pen;
    if (P.Count == 0) Pen = TPen{};
    const auto Set = [&Pen](std::uint8_t Bit, bool On) {
        Pen.Attr = static_cast<std::uint8_t>(On ? Pen.Attr | Bit : Pen.Attr & ~Bit);
    };
    for (int I = 0; I < P.Count; ++I) {
        const int V = P.Value[I];
        if (P.Sub[I]) continue; // a sub-parameter of something we do not know
        if (BasicColour(V, Pen)) continue;
        switch (V) {
        case 0: Pen = TPen{}; break;
        case 1: Set(caBold, true); break;
        case 4: Set(caUnderline, !(I + 1 < P.Count && P.Sub[I + 1] && P.Value[I + 1] == 0)); break;
        case 7: Set(caReverse, true); break;
        case 21: Set(caUnderline, true); break; // double underline, drawn single
        case 22: Set(caBold, false); break;
        case 24: Set(caUnderline, false); break;
        case 27: Set(caReverse, false); break;
        case 38: I = ExtendedColour(P, I, Pen.Fg); break;
        case 39: Pen.Fg = TPen::Default; break;
        case 48: I = ExtendedColour(P, I, Pen.Bg); break;
        case 49: Pen.Bg = TPen::Default; break;
        default: break; // faint, italic, blink, hidden, crossed out and their ends
        }
    }
    SetPen(Term, Pen);
}

// ---------------------------------------------------------------- modes

void TO_VT100::ModesXterm(TTerm& Term, const TCsi& P, bool On)
{
    TScr& S = Term.Scr;
    if (LogEnabled()) {
        std::string Line = On ? "Terminal Mode Set : Buf[" : "Terminal Mode ReSet : Buf[";
        Line += S.EscBuf.View();
        Line += On ? "], Cmd[h]" : "], Cmd[l]";
        WriteLog(Line);
    }
    for (int I = 0; I < P.Count; ++I) {
        if (P.Prefix == '?')
            PrivateModeXterm(Term, P.Value[I], On);
        else if (P.Value[I] == 4)
            Switches.InsertMode = On; // IRM; LNM (20) stays the profile's AutoCR
    }
}

void TO_VT100::PrivateModeXterm(TTerm& Term, int Mode, bool On)
{
    TScr& S = Term.Scr;
    // clang-format off
    switch (Mode) {
    case 1: Switches.CursorKeysApp = On; break;                  // DECCKM
    case 4: Switches.SoftScroll = On; break;                     // DECSCLM
    case 5: if (!On) Term.Beep(); break;                         // DECSCNM: a flash ends
    case 6:                                                      // DECOM
        S.Xt.OriginMode = On;
        GotoXterm(Term, 1, 1);
        break;
    case 7: Switches.AutoWrap = On; break;                       // DECAWM
    case 25:                                                     // DECTCEM
        Switches.CaretDrawEnabled = On;
        Switches.CaretHidden = !On;
        break;
    case 47:                                                     // the alternate screen
    case 1047:
    case 1049: AltScreenXterm(Term, Mode, On); break;
    case 1048: On ? SaveCursorXterm(Term) : RestoreCursorXterm(Term); break;
    case 9:                                                      // X10 mouse: presses
    case 1000:                                                   // presses and releases
    case 1002:                                                   // and drags
    case 1003:                                                   // and every motion
        Switches.MouseTracking = On ? Mode : 0;
        Switches.MouseReport = On;
        break;
    case 1006: Switches.MouseSgr = On; break;                    // SGR mouse encoding
    case 2004: Switches.BracketedPaste = On; break;
    default: break;                                              // blinking caret, meta key...
    }
    // clang-format on
}

// 1049 saves the cursor first and restores it last; every mode starts the
// alternate screen blank.
void TO_VT100::AltScreenXterm(TTerm& Term, int Mode, bool On)
{
    TScr& S = Term.Scr;
    if (On) {
        if (Mode == 1049) SaveCursorXterm(Term);
        Term.EnterAltScreen();
        for (int R = 1; R <= S.Row; ++R)
            Term.FillRow(R, 1, MaxCols, TCell{S.CurBack, S.CurFore, 32, 0, 0});
        Term.UpdateScreen();
        WriteLog("Set Alternate Buffer");
    } else {
        Term.LeaveAltScreen();
        if (Mode == 1049) RestoreCursorXterm(Term);
        WriteLog("Reset Alternate Buffer");
    }
}

// ---------------------------------------------------------------- cursor and sets

void TO_VT100::SaveCursorXterm(TTerm& Term)
{
    TScr& S = Term.Scr;
    TSavedCursor& C = S.Xt.Saved[S.Xt.AltScreen ? 1 : 0];
    C.Valid = true;
    C.X = S.CurX;
    C.Y = S.CurY;
    C.Pen = S.Xt.Pen;
    C.OriginMode = S.Xt.OriginMode;
    std::copy(std::begin(S.Xt.Charsets), std::end(S.Xt.Charsets), C.Charsets);
    C.ShiftLevel = S.Xt.ShiftLevel;
}

// Without a saved cursor xterm homes it with the default rendition; a saved
// one may be restored again and again.
void TO_VT100::RestoreCursorXterm(TTerm& Term)
{
    TScr& S = Term.Scr;
    const TSavedCursor& C = S.Xt.Saved[S.Xt.AltScreen ? 1 : 0];
    const TSavedCursor None;
    const TSavedCursor& Use = C.Valid ? C : None;
    S.CurX = std::clamp(Use.X, 1, S.Col + 1); // the pending wrap comes back too
    S.CurY = std::clamp(Use.Y, 1, S.Row);
    S.Xt.OriginMode = Use.OriginMode;
    std::copy(std::begin(Use.Charsets), std::end(Use.Charsets), S.Xt.Charsets);
    SetPen(Term, Use.Pen);
    ShiftTo(Term, Use.ShiftLevel);
}

void TO_VT100::Designate(TTerm& Term, int G, char Set)
{
    TScr& S = Term.Scr;
    if (LogEnabled()) WriteLog("Charset G" + std::to_string(G) + " : " + Set);
    // DEC special graphics, the UK set (its pound) or, for every other set,
    // ASCII: the host's own text is code page 949 whatever set it names.
    S.Xt.Charsets[G] = Set == '0' || Set == 'A' ? Set : 'B';
    ShiftTo(Term, S.Xt.ShiftLevel);
}

void TO_VT100::ShiftTo(TTerm& Term, int Level)
{
    TScr& S = Term.Scr;
    S.Xt.ShiftLevel = Level;
    Switches.LineDrawing = S.Xt.Charsets[Level] == '0';
    Switches.UkPound = S.Xt.Charsets[Level] == 'A';
}

// DECSTR (soft) and RIS (hard). Neither touches the profile's switches.
void TO_VT100::ResetXterm(TTerm& Term, bool Hard)
{
    TScr& S = Term.Scr;
    if (Hard) {
        Term.ResetScreen(); // the normal screen, blank, with every xterm state anew
        Switches.MouseTracking = 0;
        Switches.MouseReport = false;
        Switches.MouseSgr = false;
        Switches.BracketedPaste = false;
    } else {
        S.Xt.OriginMode = false;
        S.Xt.Saved[0] = S.Xt.Saved[1] = TSavedCursor{};
        std::fill(std::begin(S.Xt.Charsets), std::end(S.Xt.Charsets), 'B');
        Term.ResetScrollRegion();
        SetPen(Term, TPen{});
    }
    ShiftTo(Term, 0);
    Switches.InsertMode = false;
    Switches.CursorKeysApp = false;
    Switches.CaretDrawEnabled = true;
    Switches.CaretHidden = false;
    if (Input) Input->SetKeyMap("vt100");
}

// ---------------------------------------------------------------- answers and title

void TO_VT100::Answer(TTerm& Term, std::string_view Bytes)
{
    if (Input)
        Input->SendText(Term, reinterpret_cast<const std::uint8_t*>(Bytes.data()),
                        static_cast<int>(Bytes.size()));
}

// DSR 5 (status) and 6 (cursor position, from the region's top in origin mode).
void TO_VT100::Report(TTerm& Term, const TCsi& P, std::uint8_t)
{
    const TScr& S = Term.Scr;
    if (P.Raw(0) == 5 && !P.Prefix) {
        Answer(Term, "\x1b[0n");
    } else if (P.Raw(0) == 6) {
        char Buf[32];
        const int Y = S.Xt.OriginMode ? S.CurY - S.Top + 1 : S.CurY;
        std::snprintf(Buf, sizeof Buf, "\x1b[%s%d;%dR", P.Prefix == '?' ? "?" : "", Y,
                      std::min(S.CurX, S.Col));
        Answer(Term, Buf);
    } else {
        WriteLog("Cursor Position Report");
    }
}

// OSC 0 and 2 name the window; the other strings are only consumed.
void TO_VT100::EndStringXterm(TTerm& Term)
{
    const TScr& S = Term.Scr;
    const std::string_view Text = S.OsString.View();
    if (S.Xt.StringKind != ']' || Text.size() < 2 || Text[1] != ';' ||
        (Text[0] != '0' && Text[0] != '2') || !OnTitle)
        return;
    std::string_view Title = Text.substr(2);
    // A lead byte cut off by the kept length would stand alone.
    int Part = 0;
    for (const char C : Title) Part = Part == 1 ? 2 : (static_cast<std::uint8_t>(C) >= 0x81);
    if (Part == 1) Title.remove_suffix(1);
    OnTitle(Title);
}
