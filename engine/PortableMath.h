#pragma once
// Sine and cosine that give the same bits in every build: 32 and 64 bits, any
// C library, any CPU. The C library's own functions differ in the last bit
// between i386 and x86-64 (and between CPUs with and without FMA), and the
// engine's tables built from them would make every render differ. These use
// only double additions, subtractions and multiplications in a fixed order,
// which SSE2 rounds alike everywhere. About 1 ulp from the exact value for
// |x| up to 1e5 (any thread).
double PortableSin(double x);
double PortableCos(double x);
