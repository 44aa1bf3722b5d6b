#pragma once
// The largest terminal grid. Every line record holds MaxCols cells whatever
// the current width, so a change of width never reallocates; the line table
// and the saved screen hold MaxRows entries. The profile's Col and Row and
// the host manager's spin edits end at the same numbers.
inline constexpr int MaxCols = 152;
inline constexpr int MaxRows = 130;
