// The cost of one full repaint of an 80x24 screen through the Qt canvas: the
// buffer drawn into the canvas image, as a paint request does.
//   brevanix_repaint [repaints]     (QT_QPA_PLATFORM=offscreen needs no display)
#include "common/Switches.h"
#include "term/QtCanvas.h"
#include "term/Term.h"
#include "text/Cp949.h"

#include <QGuiApplication>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

class TSizedHost : public TTermHost {
public:
    explicit TSizedHost(QtCanvas& C) : Canvas(C) {}
    void ResizeControl(int Width, int Height) override { Canvas.Resize(QSize(Width, Height)); }

private:
    QtCanvas& Canvas;
};

// Fills every row with Text, cut into Runs colour runs.
void Fill(TTerm& Term, const std::string& Text, int Runs)
{
    TScr& S = Term.Scr;
    for (int Row = 1; Row <= S.Row; ++Row) {
        Term.GotoXY(1, Row);
        S.LastPart = 0;
        const int Width = S.Col / Runs;
        for (int Run = 0; Run < Runs; ++Run) {
            S.CurFore = Term.Palette[static_cast<std::size_t>(1 + Run % 7)];
            const int To = Run == Runs - 1 ? S.Col : (Run + 1) * Width;
            while (S.CurX <= To) {
                const auto B = static_cast<std::uint8_t>(
                    Text[static_cast<std::size_t>(S.CurX - 1) % Text.size()]);
                // A pair never straddles a run's end.
                if (B >= 0x81 && S.LastPart != 1 && S.CurX == To) break;
                Term.PutChar(B, S.CurFore, S.LastPart, S.CurBack);
            }
        }
    }
}

// Cold: the caches hold something else before each repaint, as they do when
// a frame comes after the host's bytes and the window system's copy.
double MicrosPerRepaint(TTerm& Term, int Repaints, bool Cold)
{
    Term.ReDrawScreen(); // glyph cache filled
    static std::vector<unsigned char> Other(32u << 20);
    std::chrono::steady_clock::duration Spent{};
    for (int I = 0; I < Repaints; ++I) {
        if (Cold) std::fill(Other.begin(), Other.end(), static_cast<unsigned char>(I));
        const auto T0 = std::chrono::steady_clock::now();
        Term.ReDrawScreen();
        Spent += std::chrono::steady_clock::now() - T0;
    }
    return std::chrono::duration<double, std::micro>(Spent).count() / Repaints;
}

// A typed echo's caret: moved a cell along the row and shown again, which
// first erases it where it was.
double MicrosPerCaretMove(TTerm& Term, TCaret Shape, int Moves)
{
    Term.SetCaret(Shape);
    Term.Focused = true;
    Switches.CaretDrawEnabled = true;
    Term.GotoXY(1, 12);
    Term.ShowCaret();
    const auto T0 = std::chrono::steady_clock::now();
    for (int I = 0; I < Moves; ++I) {
        Term.GotoXY(1 + (I + 1) % Term.Scr.Col, 12);
        Term.ShowCaret();
    }
    const auto T1 = std::chrono::steady_clock::now();
    return std::chrono::duration<double, std::micro>(T1 - T0).count() / Moves;
}

} // namespace

int main(int argc, char* argv[])
{
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication App(argc, argv);
    const int Repaints = argc > 1 ? std::max(1, std::atoi(argv[1])) : 200;
    QtCanvas Canvas;
    TSizedHost Host(Canvas);
    TTerm Term(Canvas, Host);
    Term.SetSize(80, 24);
    const std::string Ascii = "The quick brown fox jumps over the lazy dog 0123456789 ";
    const std::string Korean = Cp949::FromUtf8("한글 텔넷 터미널의 화면을 다시 그립니다 ");
    std::printf("full 80x24 repaint through the Qt canvas (%s, cell %dx%d), %d repaints each\n",
                qPrintable(Canvas.Family()), Canvas.CellWidth(), Canvas.CellHeight(), Repaints);
    std::printf("%-8s %14s %14s %14s\n", "text", "1 run/row", "12 runs/row", "1 run, cold");
    for (const auto& [Name, Text] : {std::pair{"ascii", Ascii}, std::pair{"korean", Korean}}) {
        double Us[3];
        for (int K = 0; K < 3; ++K) {
            Fill(Term, Text, K == 1 ? 12 : 1);
            Us[K] = MicrosPerRepaint(Term, Repaints, K == 2);
        }
        std::printf("%-8s %11.0f us %11.0f us %11.0f us\n", Name, Us[0], Us[1], Us[2]);
    }
    std::printf("caret moved a cell and shown again: block %.1f us, cross %.1f us\n",
                MicrosPerCaretMove(Term, TCaret::Block, Repaints * 10),
                MicrosPerCaretMove(Term, TCaret::Cross_Block, Repaints * 10));
    return 0;
}
