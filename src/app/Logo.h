#pragma once
// The program's picture: a terminal window with a Hangul syllable at its
// prompt. Drawn by code, so it is crisp at any scale; the main window shows
// it while no session has started, the about box beside its text.
#include <QImage>
#include <QPixmap>

// 117 x 129 device-independent pixels at the given device pixel ratio.
QPixmap BrevanixLogo(qreal DevicePixelRatio = 1.0);

// The picture centred on a transparent square of Size pixels: the program's
// icon in each size of the icon theme.
QImage BrevanixIcon(int Size);
