"""Rounding exact numbers to the 80-bit extended real format, shared by the reference scripts."""
from fractions import Fraction


def round64(q, margin=None):
    """(m, e) with m a 64-bit significand and m 2^(e - 63) the nearest to q > 0 (ties to even).

    With a margin, q is an approximation good to that many units of the 64th bit: it must not
    lie so near a midpoint that the rounding could go either way."""
    e = q.numerator.bit_length() - q.denominator.bit_length()
    while True:
        scaled = q * (Fraction(2) ** (63 - e))
        if scaled >= 2**64:
            e += 1
        elif scaled < 2**63:
            e -= 1
        else:
            break
    m = scaled.numerator // scaled.denominator
    rest = scaled - m
    if margin is not None:
        assert abs(rest - Fraction(1, 2)) > margin, "too near a rounding midpoint"
    if rest > Fraction(1, 2) or (rest == Fraction(1, 2) and m % 2 == 1):
        m += 1
    if m == 2**64:
        m, e = 2**63, e + 1
    return m, e


def ld(text):
    """The long double nearest the decimal text, as the lexer reads it, as an mpmath number."""
    from mpmath import mpf

    q = Fraction(text)
    if q == 0:
        return mpf(0)
    m, e = round64(abs(q))
    return (-1 if q < 0 else 1) * mpf(m) * mpf(2) ** (e - 63)
