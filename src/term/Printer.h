#pragma once
// The text channel to a printer that screen printing writes: a job opened
// with a title, a font, then whole lines of cells, then closed. The screen
// decides what the lines hold; the channel decides how they look on paper
// (QtPrinter lays each cell's glyph in its own column).
#include "term/TermCommon.h"
#include "text/Cluster.h"

#include <cstdint>
#include <string>

class TPrintChannel {
public:
    virtual ~TPrintChannel() = default;
    // Starts a job titled Title (code page 949). False when the printer
    // refused it; nothing else is called then.
    virtual bool Open(const std::string& Title) = 0;
    virtual void SetFont(const TFont& Font) = 0;
    // One printed line of Len cells: code page 949 bytes with their stored
    // parts (0 single, 1 lead, 2 trail), one column each; a character of the
    // screen's table is part 3 in its first cell, with its code points in
    // Clusters at that column, and part 4 in the cells it spans after.
    // False on failure.
    virtual bool WriteLine(const std::uint8_t* Bytes, const std::uint8_t* Parts, int Len,
                           const TCluster* const* Clusters) = 0;
    // Ends the job, also after a failed line. False when it failed.
    virtual bool Close() = 0;
};
