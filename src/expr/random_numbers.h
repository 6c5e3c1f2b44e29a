// The language's random numbers: one 31-bit linear congruential generator per thread
// (state x 0x015A4E35 + 1 modulo 2^64, the upper 32 bits of the new state with the top bit
// cleared), and on it "RAND", "RANDOM", "RANDGAUSS", "NOISE" and "GNOISE".
//
// Every thread starts with the state 1; start-up seeds the user-interface thread's
// generator from the clock. The value "RANDGAUSS" keeps for its next call is per thread
// too: shared, two threads would hand out the same normal deviate twice (or lose one) and
// race on it.
#pragma once

#include <cstdint>

// Sets the calling thread's state.
void ExprRandomSeed(std::uint64_t seed);
// The calling thread's next value, 0 .. 2147483647.
std::uint32_t ExprRandomNext();
// "RANDOM": five values modulo 10000 as the 20 decimal digits of a fraction in [0, 1).
long double ExprRandomFraction();
// "RANDGAUSS": a standard normal deviate by the polar method, two per round.
long double ExprRandomGauss();
