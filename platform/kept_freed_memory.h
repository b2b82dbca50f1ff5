#pragma once

// While an object of this class lives, memory the program frees is kept by the C library for its
// next use instead of going back to the system at once. The codec libraries (libheif, libde265,
// dav1d, libtiff) allocate and zero picture-sized planes for every picture; fresh from the system,
// each page of them costs a fault, which on the virtual machines we measure on made up a third of
// an album's processor time. Kept, the planes of one picture serve the next: the album of 30 mixed
// pictures took 43 % less processor time, at a quarter to a half more peak memory
// (bench/README.md). When the last such object ends, the library's own settings come back and the
// kept memory goes back to the system. Memory from AllocateLargeZeroed is not affected: it is taken
// from the system directly. Where the C library offers no such settings, this does nothing.
class KeptFreedMemory {
  public:
    KeptFreedMemory();
    ~KeptFreedMemory();
    KeptFreedMemory(const KeptFreedMemory&) = delete;
    KeptFreedMemory& operator=(const KeptFreedMemory&) = delete;
};
