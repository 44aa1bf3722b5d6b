#pragma once
// The program's picture: a terminal window with a Hangul syllable at its
// prompt. Drawn by code, so it is crisp at any scale; the main window shows
// it while no session has started, the about box beside its text.
#include <QPixmap>

// 117 x 129 device-independent pixels at the given device pixel ratio.
QPixmap BrevanixLogo(qreal DevicePixelRatio = 1.0);
