#pragma once
// TTerm: the terminal screen control's model. A grid of code page 949 bytes over
// a list of line records (the scroll-back), drawn through a TCanvas.
#include "common/GridLimits.h"
#include "term/Canvas.h"
#include "term/CharTable.h"
#include "term/InputContext.h"
#include "term/TermCommon.h"

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

class TPrintChannel;

// Renditions the xterm level keeps in a cell and draws as such; the classic
// level shows its renditions as colours and leaves them 0.
enum TCellAttr : std::uint8_t { caBold = 1, caUnderline = 2, caReverse = 4 };

// DbcsPart: how a cell's byte is read. Code page 949 text is 0 (a single
// byte), 1 (a lead) and 2 (its trail). A character of the screen's TCharTable
// is 3 in its first cell and 4 in the cells it spans after; Ch and Ext hold
// its index in every one of them.
enum TCellPart : std::uint8_t { cpSingle, cpLead, cpTrail, cpCluster, cpClusterTail };

struct TCell {
    TColor Back = 0;
    TColor Fore = 0;
    std::uint8_t Ch = 32;
    std::uint8_t DbcsPart = 0; // TCellPart
    std::uint8_t Attr = 0;     // TCellAttr bits, in what was padding
    std::uint8_t Ext = 0;      // a table character's index, high byte
};
static_assert(sizeof(TCell) == 12, "a cell stays three words: rows are copied whole");

// Sets Count cells to Value: a few block copies instead of a loop over
// 12-byte cells.
void FillCells(TCell* Dest, int Count, const TCell& Value);

struct TLine {
    TLine* Prev = nullptr; // older
    TLine* Next = nullptr; // newer
    // The host's text reached the margin here and went on in the next line:
    // one line to a reader, as to find and links.
    bool Wrapped = false;
    std::array<TCell, MaxCols + 1> Cells{}; // 1-based; [0] is unused
};

// The bytes of an escape sequence after ESC. Fixed storage: collecting never
// allocates, and the collection step drops a sequence before it fills up.
class TEscBuf {
public:
    // Far longer than any sequence the interpreter acts on (the longest real
    // ones carry a handful of parameters), short enough that a host sending an
    // endless parameter list costs nothing.
    static constexpr int Capacity = 80;
    // Fields read as they are collected; a longer list is read from the text.
    static constexpr int MaxFields = 16;

    int Length() const { return Len; }
    bool Empty() const { return Len == 0; }
    void Clear()
    {
        Len = 0;
        Fields = 0;
        Value[0] = 0;
        Present = 0;
        Plain = true;
    }
    void Append(char C)
    {
        const auto B = static_cast<std::uint8_t>(C);
        if (TakeParams(&B, 1) == 1) return; // a digit or ';', with room to spare
        if (static_cast<unsigned>(Len) >= Capacity) return;
        Data[Len++] = C;
        if (Len > 1) Plain = false;
    }
    // Appends the parameter bytes (digits and ';') that start Bytes[0..N),
    // leaving room for one more byte; returns how many it took. The loop of
    // a control sequence's collection: the state stays in registers.
    int TakeParams(const std::uint8_t* Bytes, int N)
    {
        const int Stop = N < Capacity - 1 - Len ? N : Capacity - 1 - Len;
        char* Out = Data + Len;
        int F = Fields, I = 0;
        std::uint32_t V = Value[F], Seen = Present;
        for (; I < Stop; ++I) {
            const std::uint8_t C = Bytes[I];
            if (static_cast<unsigned>(C - '0') < 10u) {
                V = V * 10u + static_cast<std::uint32_t>(C - '0');
                Seen |= 1u << F;
            } else if (C != ';') {
                break;
            } else if (F + 1 < MaxFields) {
                Value[F++] = V;
                V = 0;
            } else {
                Plain = false;
            }
            Out[I] = static_cast<char>(C);
        }
        Len += I;
        Fields = F;
        Value[F] = V;
        Present = Seen;
        return I;
    }
    // 1-based, as the control functions count; 0 outside the buffer.
    char At(int Pos) const { return Pos >= 1 && Pos <= Len ? Data[Pos - 1] : '\0'; }
    std::string_view View() const { return {Data, static_cast<std::size_t>(Len)}; }

    // True when every byte after the first is a digit or ';' (in at most
    // MaxFields fields): the parameters are then already read, so the
    // control functions dispatch without reading the text again.
    bool PlainParams() const { return Plain; }
    int FieldCount() const { return Fields + 1; }
    bool HasDigits(int I) const { return Present >> I & 1u; }
    // A ';'-separated field; empty reads 0, overflow wraps like a 32-bit int.
    int Field(int I) const { return I <= Fields ? static_cast<std::int32_t>(Value[I]) : 0; }

private:
    char Data[Capacity] = {};
    int Len = 0;
    int Fields = 0; // index of the field being read
    std::uint32_t Value[MaxFields] = {};
    std::uint32_t Present = 0; // bit I: field I has a digit
    bool Plain = true;
};
static_assert(TEscBuf::MaxFields <= 32, "one presence bit per field");

struct TScrollBack {
    TLine* First = nullptr;
    TLine* Last = nullptr;
    bool Browsing = false;
    int Count = 0;
    int MaxLines = 1000;
    int LiveX = 1, LiveY = 1;
    TLine* LiveTop = nullptr;
    int ViewPos = 0;
    // Lines recycled from the top so far: Dropped plus a line's place in the
    // list numbers it for as long as it is kept.
    long long Dropped = 0;
};

// The pen of the xterm level: colours as the host named them, resolved into
// CurFore and CurBack whenever they change.
struct TPen {
    static constexpr std::int32_t Default = -1;       // the profile's colour
    static constexpr std::int32_t Direct = 0x1000000; // flag of a 24-bit colour
    std::int32_t Fg = Default, Bg = Default; // palette index 0..255, Default or Direct | RGB
    std::uint8_t Attr = 0;                   // TCellAttr bits
};

// What DECSC keeps at the xterm level: position, pen and character sets.
struct TSavedCursor {
    bool Valid = false;
    int X = 1, Y = 1;
    TPen Pen;
    bool OriginMode = false;
    char Charsets[4] = {'B', 'B', 'B', 'B'};
    int ShiftLevel = 0;
};

// Screen state only the xterm level uses; a new screen, a reset and a new
// connection start from these values.
struct TXtermState {
    TXtermState();
    TPen Pen;
    bool OriginMode = false;                 // DECOM: rows count from the region's top
    bool AltScreen = false;                  // the alternate screen is shown
    char Charsets[4] = {'B', 'B', 'B', 'B'}; // G0..G3: '0' DEC special graphics, else ASCII
    int ShiftLevel = 0;                      // which of G0 (SI) or G1 (SO) prints
    std::array<bool, MaxCols + 1> TabStops{};
    TSavedCursor Saved[2]; // for the normal and the alternate screen
    // A sequence too long for EscBuf: consumed to its final, then dropped.
    bool EscOverflow = false;
    char StringKind = ']'; // the introducer of the string being consumed
};

struct TScr {
    int Col = 80;
    int Row = 24;
    TColor CurBack = 0;
    TColor CurFore = 0x008080;
    int LastPart = 0;
    std::uint8_t CurAttr = 0; // TCellAttr of the next stored byte
    TColor BackColor = 0;
    TColor FontColor = 0x008080;
    TFont Font;
    int CharWidth = 0;
    int CharHeight = 0;
    int CurX = 1;
    int CurY = 1;
    int CaretX = -1, CaretY = -1;
    int SavedX = -1, SavedY = -1;
    TColor SavedFore = 0, SavedBack = 0;
    int Top = 1, Bottom = 24;
    bool InEscape = false;
    TEscBuf EscBuf;
    // An operating-system command (ESC ]) being consumed: only its start is
    // kept, for the log; StringEsc means an ESC was met inside it.
    bool InOsString = false;
    bool StringEsc = false;
    TEscBuf OsString;
    bool RedrawPending = false;
    bool Reverse = false, Bold = false, Underline = false;
    bool VisualBeep = true;
    bool BeepOn = true;
    TXtermState Xt;
    std::array<TLine*, MaxRows + 1> Lines{}; // 1-based
    TScrollBack ScrollBack;
    std::string CompStr;
    bool SelActive = false;
    std::uint8_t SelFlags = 0;
    TPoint SelStart, SelEnd;
};

class TTerm {
public:
    TTerm(TCanvas& Canvas, TTermHost& Host);
    ~TTerm();
    TTerm(const TTerm&) = delete;
    TTerm& operator=(const TTerm&) = delete;

    TScr Scr;
    std::array<TColor, 8> Palette{};
    bool Monochrome = false;
    TScrollBarLink* ScrollBar = nullptr;
    std::function<void()> OnChangeSize;

    // --- Buffer (writes, scrolls, sizes) ---
    // Stores one byte at the cursor and advances it; false when nothing was
    // stored. Inline: it runs for every byte of host text.
    bool PutChar(std::uint8_t Ch, TColor Fore, int PrevPart, TColor Back);
    // PutChar over a run of plain bytes, up to the end of the row; returns how
    // many were stored.
    int PutText(const std::uint8_t* Bytes, int Len);
    void WriteChar(std::uint8_t Ch);
    // The characters cells refer to by index (CharTable.h).
    TCharTable Chars;
    // Cluster's index, or -1 when the table refuses it.
    int InternCluster(const TCluster& Cluster);
    // Stores the table's character Index at the cursor over its cells and
    // advances the cursor past them; the caller made room and wrapped.
    void PutCluster(int Index);
    static int ClusterIndex(const TCell& C) { return C.Ch | C.Ext << 8; }
    // The table's character starting at Col has all its cells still in
    // place. One that lost a cell (overwritten, erased, cut by a narrower
    // grid) shows as blanks, as a wide character half overwritten does.
    bool WholeCluster(const TLine& L, int Col) const;
    // The first column of the whole character the cell at Col is part of, or
    // 0 when there is none.
    int HeadOf(const TLine& L, int Col) const;
    // The character that ends just left of the cursor (at the last column
    // while a wrap is pending) as code points, and its first column; false
    // when that is no character a mark can join (a blank left by a control,
    // a line code, a replacement, half of one).
    bool CharBeforeCursor(TCluster& Out, int& Head) const;
    void InsertBlank();
    // Count lines at once, at most the range's height (Count below 1 is 1).
    void ScrollUp(int TopRow, int BottomRow, int Count = 1);
    void ScrollDown(int TopRow, int BottomRow, int Count = 1);
    void GotoXY(int X, int Y) // clamped to the grid
    {
        Scr.CurX = X < 1 ? 1 : X > Scr.Col ? Scr.Col : X;
        Scr.CurY = Y < 1 ? 1 : Y > Scr.Row ? Scr.Row : Y;
    }
    void SaveScreen();
    void RestoreScreen();
    // The xterm level's alternate screen: the normal rows are kept aside and
    // the live rows become the alternate screen, whose lines never reach the
    // scroll-back; leaving brings the normal rows back as they were.
    void EnterAltScreen();
    void LeaveAltScreen();
    void ResetScreen();
    // The rows down to the cursor's go up into the scroll-back, as if the
    // screen had scrolled them off: kept, and out of a new session's way.
    void ScrollScreenAway();
    void ClearAllLines();
    void SetSize(int Cols, int Rows);
    void SetRow(int N);
    void SetCol(int N);
    void SetScrollBack(int MaxLines) { Scr.ScrollBack.MaxLines = MaxLines; }
    void ApplyFont(const TFont& F);
    void WriteText(std::string_view S);
    void WriteLine(std::string_view S);
    void ResetScrollRegion();
    void EraseCells(int FromCol, int ToCol, int RowIndex);
    // Sets cells FromCol..ToCol of a row, clamped to the line record, to
    // Value; every erase and blank of cells goes through here.
    void FillRow(int RowIndex, int FromCol, int ToCol, const TCell& Value);
    void BlankLine(TLine& L);
    static void CopyLine(TLine& Dest, const TLine& Src);

    // --- Scroll-back browsing ---
    void EnterScrollBack();
    void LeaveScrollBack();
    bool ScrollBackUp(bool Redraw);
    bool ScrollBackDown(bool Redraw);
    int ScrollBackTo(int P);
    // Shift+PageUp/PageDown/Up/Down (VK::Prior, Next, Up, Down) with Shift
    // alone held. Returns true when the key was taken; Key is then 0.
    bool ScrollBackKey(int& Key);
    // Shift+PageDown and Shift+Down while live: nothing to browse, so
    // ScrollBackKey takes them and the key goes on to nobody.
    bool ScrollBackKeySwallowed(int Key) const;

    // --- Drawing ---
    void Paint(const TRect& Clip); // a paint request from the window system
    void PaintRect(const TRect& R);
    void PaintRows(int FirstRow, int LastRow);
    void DrawLine(int RowIndex, int FromCol, int ToCol);
    void DrawCells(int FromCol, int ToCol);
    void DrawRect(int TopRow, int LeftCol, int RightCol, int BottomRow);
    void DrawRows(int TopRow, int BottomRow);
    void ReDrawScreen();
    // While set (a received block is being taken), ReDrawScreen leaves
    // RedrawPending set instead of painting, and scrolls only mark it, soft or
    // not: the owner paints once for the block, or once a frame for several.
    bool HoldRedraw = false;
    // A full repaint is owed and will cover whatever would be drawn now.
    bool RepaintOwed() const;
    void UpdateScreen();
    void ShowCaret();
    void HideCaret();
    void DrawCompStr();
    // The bell: at most one ring (sound, flash or both) per BellIntervalMs;
    // the flash lasts FlashMs and ends from the event loop.
    static constexpr int BellIntervalMs = 150;
    static constexpr int FlashMs = 50;
    void Beep();
    enum class TRasterOp { PatInvert };
    void FillCellBlock(int Col1, int Row1, int Cols, int Rows, TColor Colour, TRasterOp Rop);
    void FocusGained();
    void FocusLost();

    // --- Keyboard ---
    // The control's own key handling (log lines, scroll-back keys, repaint),
    // then OnKeyDown with Key possibly set to 0. Key is a virtual-key code.
    void KeyDown(std::uint16_t& Key, TShiftState Shift);
    // One character of typed text (a code page 949 byte), then OnKeyPress.
    void KeyPress(std::uint8_t& Ch);
    std::function<void(std::uint16_t& Key, TShiftState Shift)> OnKeyDown;
    std::function<void(std::uint8_t& Ch)> OnKeyPress;
    bool SkipKeyPress = false; // swallow the next character

    // --- Input method ---
    // The built-in composer or the system's input method; null means no
    // input context.
    TInputContext* InputContext = nullptr;
    std::function<void(bool Status)> OnImeChange; // Status: Hangul mode
    // The input context's mode, also kept in HangulMode; true without a
    // context, and then nothing changes.
    bool GetHangulMode();
    // False without a context or when it cannot change the mode.
    bool SetHangulMode(bool Hangul);
    // The notification an input method sends when its mode changed.
    static constexpr int ImnSetConversionMode = 6;
    // Logs "Notify:" + Code and fires OnImeChange with GetHangulMode.
    void ImeNotify(int Code);
    // The text being composed (code page 949) is now Preedit, shown at the
    // cursor; an empty Preedit ends the composition.
    void SetComposition(std::string_view Preedit);
    // Finished input-method text: each byte through KeyPress.
    void CommitText(std::string_view Bytes);
    // Ends the composition, its text sent first. Every key, click, focus
    // loss and mode switch does this before it acts.
    void CommitComposition();
    // Keys of the layout in Hangul mode and Backspace while composing go to
    // the composer; true when it took the key.
    bool ComposeKey(std::uint16_t Key, TShiftState Shift);

    // --- Mouse selection ---
    // The control's own mouse events fire before the selection logic.
    std::function<void(TMouseButton, TShiftState, int X, int Y)> OnMouseDown, OnMouseUp;
    std::function<void(TShiftState, int X, int Y)> OnMouseMove;
    bool ButtonDown = false; // the left button went down on the control
    void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y);
    void MouseMove(TShiftState Shift, int X, int Y);
    void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y);
    void ExtendSelection(int X, int Y);
    void InvertCells(TColor Colour, int RowIndex, int FromCol, int ToCol, TRasterOp Rop);
    void ClearSelection();
    void CopySelection();
    // The bytes of whole rows, each but the last followed by a carriage return.
    // Copied text and this are rich strings (Cp949::RichMark): a character
    // of the table comes as its UTF-8 between marks.
    std::string GetScreenText(int FromRow, int ToRow) const;
    void AppendCells(std::string& Out, const TLine& L, int From, int To) const;

    // --- Printing ---
    // The visible rows as one job titled AppTitle + " - Print Screen" (code
    // page 949). False when the job could not start or a line failed; the
    // job is closed either way.
    bool PrintScreen(TPrintChannel& Printer, const std::string& AppTitle) const;

    // --- Properties with side effects ---
    TCaret Caret() const { return FCaret; }
    void SetCaret(TCaret C);
    TColor CaretColor() const { return FCaretColor; }
    void SetCaretColor(TColor C);
    void SetBackColor(TColor C);
    void SetFont(const TFont& F);
    bool OwnerDraw = false;
    bool Focused = false;
    bool HangulMode = false;
    bool ShiftSpace = false;

    // Effective recycling limit: never below Row + 1, so a line on screen is
    // never reused whatever the profile's ScrollBack says.
    int RecycleLimit() const;

    TCanvas& Canvas() { return FCanvas; }
    TTermHost& Host() { return FHost; }

private:
    void AppendLine(int RowIndex);
    void RemoveLine(int RowIndex);
    void ShrinkRows(int N);
    void GrowRows(int N);
    void RelinkLast();
    void DrawRuns(int RowIndex, int FromCol, int ToCol, bool LeadStartsRun, bool LockEachRun);
    template <bool LeadStartsRun>
    void DrawRunsOf(int RowIndex, int FromCol, int ToCol, bool LockEachRun);
    void DrawRun(int RowIndex, int FromCol, const std::uint8_t* Bytes, const std::uint8_t* Parts,
                 int Len, const TCell& Look, bool Lock);
    int DrawCluster(int RowIndex, int Col, bool Lock);
    void UsePenOf(const TCell& Look);
    void FireChangeSize();
    void DropSelection();
    TPoint CellAt(int X, int Y) const;

    TCanvas& FCanvas;
    TTermHost& FHost;
    TScr SavedScr;
    std::array<TLine, MaxRows + 1> AltLines; // 1-based; never linked into the list
    TLine FBlank;                            // blank cells in the colours last blanked with
    TCaret FCaret = TCaret::Cross_Block;
    TColor FCaretColor = ColorYellow;
    bool FRang = false; // FLastRing holds a ring
    std::int64_t FLastRing = 0;
};

inline bool TTerm::PutChar(std::uint8_t Ch, TColor Fore, int PrevPart, TColor Back)
{
    if (Ch == 0) return false;
    if (Scr.SelActive) DropSelection();
    if (Scr.CurX > Scr.Col || Scr.CurX <= 0) return false;
    const int Part = PrevPart == 1 ? 2 : (Ch >= 0x81 ? 1 : 0);
    TCell& C = Scr.Lines[Scr.CurY]->Cells[Scr.CurX];
    C.Ch = Ch;
    C.Back = Back;
    C.DbcsPart = static_cast<std::uint8_t>(Part);
    C.Attr = Scr.CurAttr;
    // Equal colours would hide the character: keep it readable.
    C.Fore = Fore == Back ? Fore ^ InvertRgb : Fore;
    ++Scr.CurX;
    Scr.CurFore = Fore;
    Scr.CurBack = Back;
    Scr.LastPart = Part;
    return true;
}

// The default palette for host colour numbers 0..7.
std::array<TColor, 8> DefaultPalette();
