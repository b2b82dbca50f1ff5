#pragma once

#include <QIcon>

// Scalvo's program icon (a large and a small photograph joined by a shrinking arrow), drawn at the
// usual icon sizes so that it stays crisp from 16 to 256 pixels.
QIcon ScalvoIcon();

// The same picture at one size (square, `size` pixels), e.g. for the installed icon file.
QPixmap ScalvoIconPixmap(int size);
