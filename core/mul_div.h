#pragma once

// a * b / c with a 64-bit product, rounded to the nearest integer, halves away from zero (the
// rule of the system's MulDiv); -1 when c is 0 or the result does not fit in 32 bits. The size
// rules of the resizer and the thumbnail box of the album both round this way.
int MulDiv(int a, int b, int c);
