#pragma once
// A terminal on a recording canvas with the interpreter, the program-wide
// state reset and the log captured: the common ground of the core tests.
#include "common/LogSink.h"
#include "common/Switches.h"
#include "emulation/Output_VT100.h"
#include "support/ProgramState.h"
#include "support/RecordingCanvas.h"
#include "term/Term.h"
#include "text/Cp949.h"

#include <memory>
#include <string>
#include <vector>

struct TTermRig {
    TProgramState State; // first in, last out
    TRecordingCanvas Canvas;
    TRecordingHost Host;
    std::unique_ptr<TTerm> Term;
    TO_VT100 Vt;
    std::vector<std::string> Log;

    TTermRig()
    {
        Term = std::make_unique<TTerm>(Canvas, Host);
        SetLogSink([this](std::string_view L) { Log.emplace_back(L); });
        Canvas.Clear();
    }
    TTermRig(const TTermRig&) = delete;
    TTermRig& operator=(const TTermRig&) = delete;

    TScr& Scr() { return Term->Scr; }

    // Host bytes, whole or one byte per call, with the engine's repaint after
    // the block.
    void Feed(const std::string& Bytes, bool OneByOne = false)
    {
        const auto* P = reinterpret_cast<const std::uint8_t*>(Bytes.data());
        if (OneByOne)
            for (std::size_t I = 0; I < Bytes.size(); ++I) Vt.Process(*Term, P + I, 1);
        else
            Vt.Process(*Term, P, static_cast<int>(Bytes.size()));
        if (Term->Scr.RedrawPending) Term->ReDrawScreen();
    }

    // Row text of columns 1..Col.
    std::string RowText(int Row) const
    {
        std::string S;
        for (int C = 1; C <= Term->Scr.Col; ++C)
            S += static_cast<char>(Term->Scr.Lines[Row]->Cells[C].Ch);
        return S;
    }
    // Row as a person reads it, in UTF-8: code page 949 converted, the
    // table's characters as themselves, trailing blanks trimmed.
    std::string Shown(int Row) const
    {
        std::string Rich;
        Term->AppendCells(Rich, *Term->Scr.Lines[Row], 1, Term->Scr.Col);
        std::string S = Cp949::ToUtf8Rich(Rich);
        S.erase(S.find_last_not_of(' ') + 1);
        return S;
    }
    // Row text without trailing blanks.
    std::string Text(int Row) const
    {
        std::string S = RowText(Row);
        S.erase(S.find_last_not_of(' ') + 1);
        return S;
    }
    // DbcsPart of columns 1..Col as digits.
    std::string Parts(int Row) const
    {
        std::string S;
        for (int C = 1; C <= Term->Scr.Col; ++C)
            S += static_cast<char>('0' + Term->Scr.Lines[Row]->Cells[C].DbcsPart);
        return S;
    }
    const TCell& Cell(int Col, int Row) const { return Term->Scr.Lines[Row]->Cells[Col]; }
};
