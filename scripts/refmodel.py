#!/usr/bin/env python3
"""Reference model of ParHistos.d, written independently of the C++ sources.

Every real is modelled exactly with fractions.Fraction. Each arithmetic
operation is computed exactly and rounded to a 64-bit significand (round to
nearest, ties to even); a value is rounded once more, to an IEEE double, only
where the programs store it. Keeping the 64-bit step matters: on grid data a
bin quotient lands just below a whole number where all-double arithmetic would
land on it (0.05 with 40 bins over 0 .. 0.99 goes to bin 1, not bin 2).

Usage:
  scripts/refmodel.py DATAFOLDER N [OUTFILE]
      writes the plot file for N bins (50 or 40) to OUTFILE
      (default: DATAFOLDER/ParHistos.d), LF line ends.
  scripts/refmodel.py --regen-golden [GOLDENDIR]
      rewrites ParHistos50.d and ParHistos40.d of every case folder under
      GOLDENDIR (default: tests/golden next to this script's parent).
  scripts/refmodel.py --selftest [GOLDENDIR]
      checks the model against hand-derived facts about the golden inputs.
  scripts/refmodel.py --all-double DATAFOLDER N [OUTFILE]
      the same model with every step rounded straight to double (no 64-bit
      intermediate); only for showing how much the result depends on it.

Python 3 standard library only. Not needed to run the tests: the golden files
it produced are committed.
"""

import decimal
import os
import sys
from fractions import Fraction

EXT_BITS = 64
DBL_BITS = 53
DBL_MIN_EXP = -1074           # exponent of the smallest subnormal's unit
DBL_MAX = Fraction((1 << 53) - 1) * Fraction(2) ** 971
INF = float("inf")

# Set by --all-double: every operation rounds straight to a double.
ALL_DOUBLE = False


def _round_bits(x, bits, min_exp=None):
    """Round Fraction x to `bits` significant bits, nearest, ties to even.

    min_exp bounds the exponent of the last kept bit (subnormals)."""
    if x == 0:
        return Fraction(0)
    neg = x < 0
    a, b = abs(x.numerator), x.denominator
    # e: exponent of the unit in the last place, so that
    # 2^(bits-1) <= a / b / 2^e < 2^bits
    e = a.bit_length() - b.bit_length() - bits
    while True:
        num, den = (a, b << e) if e >= 0 else (a << -e, b)
        if num >= den << bits:
            e += 1
            continue
        if num < den << (bits - 1):
            e -= 1
            continue
        break
    if min_exp is not None and e < min_exp:
        e = min_exp
        num, den = (a, b << e) if e >= 0 else (a << -e, b)
    q, r = divmod(num, den)
    if 2 * r > den or (2 * r == den and q & 1):
        q += 1
    v = Fraction(q) * (Fraction(2) ** e) if e >= 0 else Fraction(q, 1 << -e)
    return -v if neg else v


def ext(x):
    """Round an exact result to the 64-bit significand of the working precision."""
    if isinstance(x, float):
        return x
    if ALL_DOUBLE:
        return dbl(x)
    return _round_bits(x, EXT_BITS)


def dbl(x):
    """Round to an IEEE double; returns a Fraction, or a float +-inf on overflow."""
    if isinstance(x, float):
        return x
    v = _round_bits(x, DBL_BITS, DBL_MIN_EXP)
    if abs(v) >= Fraction(2) ** 1024:
        return INF if v > 0 else -INF
    return v


def is_finite(v):
    return not isinstance(v, float)


def parse_real(tok):
    # "%lf": the decimal token rounded once to the nearest double.
    f = float(tok)
    if f != f or f in (INF, -INF):
        raise ValueError("non-finite token %r not modelled" % tok)
    return Fraction(f)


def parse_int(tok):
    return int(tok, 10)


D099 = Fraction(0.99)        # the double nearest 0.99
D066 = Fraction(0.66)        # the double nearest 0.66
HALF = Fraction(1, 2)
BIG = Fraction(10) ** 20     # the sentinels +-1e20 are exact doubles
assert Fraction(1e20) == BIG


def read_kmax(folder):
    with open(os.path.join(folder, "Init.d")) as f:
        toks = f.read().split()
    n = parse_int(toks[0])
    pos = 1
    for _ in range(max(n, 0)):
        parse_real(toks[pos]); pos += 1
    kinds = "riirrirrrrrrr"          # the thirteen fixed fields
    for kind in kinds:
        (parse_real if kind == "r" else parse_int)(toks[pos]); pos += 1
    return parse_int(toks[pos])


def read_sweeps(folder, numcomps):
    """All sweeps with exactly numcomps components, as lists of 3k values.

    A final record cut short by the end of the file is not a sweep."""
    with open(os.path.join(folder, "1.Par")) as f:
        toks = f.read().split()
    out = []
    if not toks:
        return out
    pos = 1                           # header read past
    n = len(toks)
    while pos < n:
        k = parse_int(toks[pos]); pos += 1
        need = 3 * k if k > 0 else 0
        if pos + need > n:
            break
        if k == numcomps:
            out.append([parse_real(t) for t in toks[pos:pos + need]])
        pos += need
    return out


def pow_double(p, y):
    """Correctly rounded double of p^y for integer p > 0 and double y."""
    ctx = decimal.Context(prec=60)
    lnp = ctx.ln(decimal.Decimal(p))
    r = ctx.exp(ctx.multiply(lnp, decimal.Decimal(float(y))))
    return dbl(Fraction(r))


def trunc(q):
    n = abs(q.numerator) // q.denominator
    return n if q >= 0 else -n


def bin_of(v, xmin, w):
    """Bin of value v: 64-bit quotient truncated; index 0 counts in bin 1.

    None when the quotient lies outside the table (the weight is dropped)."""
    q = ext(ext(ext(v - xmin) * D099) / w)
    if isinstance(q, float) or q <= -1 or q >= 500:
        return None
    b = trunc(q)
    return 1 if b == 0 else b


def histo_only(xs, numintvls, numsweeps, weight):
    """Builder: returns per-parameter xmin and freq rows, and per-slot values."""
    numpars = len(xs) - 1
    # total weight: only decides the "No observations to plot" line
    total = Fraction(0)
    for _ in range(numsweeps):
        total = dbl(ext(total + weight))
    xmaxcol = [None, -BIG, -BIG, -BIG]
    xmincol = [None, BIG, BIG, BIG]
    for j in range(1, numpars + 1):
        s = (j - 1) % 3 + 1
        for v in xs[j]:
            if v > xmaxcol[s]:
                xmaxcol[s] = v
            if v < xmincol[s]:
                xmincol[s] = v
    ymaxcol = [None, -BIG, -BIG, -BIG]
    binwidth = [None] * 4
    recip = [None] * 4
    for s in (1, 2, 3):
        if s > numpars:
            continue
        binwidth[s] = dbl(ext(ext(xmaxcol[s] - xmincol[s]) / numintvls))
        if binwidth[s] == 0:
            recip[s] = INF
        else:
            recip[s] = dbl(ext(1 / binwidth[s]))
    xmin = [None] * (numpars + 1)
    freq = [None] * (numpars + 1)
    for j in range(1, numpars + 1):
        s = (j - 1) % 3 + 1
        mx, mn = -BIG, BIG
        for v in xs[j]:
            if v > mx:
                mx = v
            if v < mn:
                mn = v
        if mx == mn:
            mn = dbl(ext(mn - HALF))
        xmin[j] = mn
        row = [Fraction(0)] * 500
        w = binwidth[s]
        if is_finite(recip[s]):
            for v in xs[j]:
                b = bin_of(v, mn, w)
                if b is not None:
                    row[b] = dbl(ext(row[b] + weight))
        freq[j] = row
        for b in range(1, numintvls + 1):
            d = density(row[b], recip[s], numsweeps)
            if d > ymaxcol[s]:
                ymaxcol[s] = d
    return xmin, freq, binwidth, recip, ymaxcol


def density(f, recip, numsweeps):
    if not is_finite(recip):
        return Fraction(0)
    return dbl(ext(ext(f * recip) / numsweeps))


def fmt_e(v):
    """printf "%e" with seven significant digits and three exponent digits."""
    if isinstance(v, float):
        raise ValueError("non-finite value in output")
    if v == 0:
        return "0.000000e+000"
    sign = "-" if v < 0 else ""
    a = abs(v)
    e = 0
    # find e with 10^e <= a < 10^(e+1)
    e = len(str(a.numerator)) - len(str(a.denominator))
    while a >= Fraction(10) ** (e + 1):
        e += 1
    while a < Fraction(10) ** e:
        e -= 1
    m = a / Fraction(10) ** (e - 6)
    q, r = divmod(m.numerator, m.denominator)
    if 2 * r > m.denominator or (2 * r == m.denominator and q & 1):
        q += 1
    if q == 10 ** 7:
        q = 10 ** 6
        e += 1
    digits = str(q)
    es = "-" if e < 0 else "+"
    return "%s%s.%se%s%03d" % (sign, digits[0], digits[1:], es, abs(e))


def clamp_x(v):
    if isinstance(v, float):
        return DBL_MAX if v > 0 else -DBL_MAX
    return v


def write_records(out, k, numintvls, numsweeps, xmin, freq, binwidth, recip,
                  ymaxcol):
    P = 3 * k
    N = numintvls
    H = dbl(ext(Fraction(400) / ext(pow_double(P, D066) + 1)))
    for j in range(1, P + 1):
        s = (j - 1) % 3 + 1
        R = dbl(ext(((j - 1) // 3) * H))
        w = binwidth[s]
        ys = [None]
        for b in range(1, N + 1):
            d = density(freq[j][b], recip[s], numsweeps)
            if not is_finite(recip[s]) or ymaxcol[s] <= 0:
                ys.append(Fraction(0))
                continue
            lifted = dbl(ext(ext(ext(d * H) / ymaxcol[s]) + R))
            ys.append(dbl(ext(lifted - R)))
        out.append("%2d %2d\n" % (k, j))
        out.append("%d\n" % (2 * (N + 1)))
        for b in range(1, N + 1):
            x0 = clamp_x(dbl(ext(ext(ext(b * w) / D099) + xmin[j])))
            x1 = clamp_x(dbl(ext(x0 + w)))
            if b == 1:
                out.append("%s\t %s\n" % (fmt_e(x0), fmt_e(Fraction(0))))
            out.append("%s\t %s\n" % (fmt_e(x0), fmt_e(ys[b])))
            out.append("%s\t %s\n" % (fmt_e(x1), fmt_e(ys[b])))
            if b == N:
                out.append("%s\t %s\n" % (fmt_e(x1), fmt_e(Fraction(0))))


def model(folder, numintvls):
    """The plot file's text, or None when kmax < 1 (no file)."""
    kmax = read_kmax(folder)
    if kmax < 1:
        return None
    out = ["%d\n" % kmax]
    for k in range(1, kmax + 1):
        sweeps = read_sweeps(folder, k)
        n = len(sweeps)
        if n == 0:
            continue
        weight = dbl(ext(Fraction(1) / n))
        xs = [None] + [[sw[j] for sw in sweeps] for j in range(3 * k)]
        res = histo_only(xs, numintvls, n, weight)
        write_records(out, k, numintvls, n, *res)
    return "".join(out)


def write_model(folder, numintvls, outfile):
    text = model(folder, numintvls)
    if text is None:
        print("kmax < 1: no plot file", file=sys.stderr)
        return
    with open(outfile, "w", newline="\n") as f:
        f.write(text)


def _build(folder, k, numintvls):
    sweeps = read_sweeps(folder, k)
    n = len(sweeps)
    weight = dbl(ext(Fraction(1) / n))
    xs = [None] + [[sw[j] for sw in sweeps] for j in range(3 * k)]
    xmin, freq, bw, recip, ymax = histo_only(xs, numintvls, n, weight)
    bins = [None] + [[bin_of(v, xmin[j], bw[(j - 1) % 3 + 1])
                      if bw[(j - 1) % 3 + 1] != 0 else None for v in xs[j]]
                     for j in range(1, 3 * k + 1)]
    return dict(xmin=xmin, freq=freq, bw=bw, ymax=ymax, bins=bins)


def selftest(gdir):
    """Checks the model against hand-derived facts about the golden inputs."""
    global ALL_DOUBLE
    fails = []

    def check(what, got, want):
        ok = got == want
        print("%-4s %s: %r" % ("ok" if ok else "FAIL", what, got))
        if not ok:
            print("     want %r" % (want,))
            fails.append(what)

    def near(what, got, want, tol=1e-3):
        ok = abs(float(got) - want) <= tol * abs(want)
        print("%-4s %s: %.6g (about %g)" % ("ok" if ok else "FAIL", what,
                                           float(got), want))
        if not ok:
            fails.append(what)

    c = lambda name: os.path.join(gdir, name)
    # Four sweeps of one component, 50 bins.
    lines = model(c("four_sweeps_k1"), 50).split("\n")[:-1]
    check("four sweeps 50: line count", len(lines), 313)
    check("four sweeps 50: first lines", lines[0:6],
          ["1", " 1  1", "102", "1.080808e+000\t 0.000000e+000",
           "1.080808e+000\t 1.305098e+002", "1.160808e+000\t 1.305098e+002"])
    check("four sweeps 50: bar 24", lines[50:52],
          ["2.939394e+000\t 6.525488e+001", "3.019394e+000\t 6.525488e+001"])
    check("four sweeps 50: bar 49", lines[100:102],
          ["4.959596e+000\t 6.525488e+001", "5.039596e+000\t 6.525488e+001"])
    check("four sweeps 50: last two lines of record 1", lines[103:105],
          ["5.120404e+000\t 0.000000e+000"] * 2)
    others = [lines[3 + 2 * b - 1][-13:] for b in range(1, 51)
              if b not in (1, 24, 49)]
    check("four sweeps 50: other bars zero", set(others), {"0.000000e+000"})
    check("four sweeps 50: record 2 start", lines[105:108],
          [" 1  2", "102", "1.080808e+001\t 0.000000e+000"])
    check("four sweeps 50: record 3 start", lines[209:212],
          [" 1  3", "102", "5.080808e-001\t 0.000000e+000"])
    r = _build(c("four_sweeps_k1"), 1, 50)
    check("four sweeps 50: slot 1 bins", r["bins"][1], [1, 1, 24, 49])
    check("four sweeps 50: xmin 1, w", (r["xmin"][1], float(r["bw"][1])),
          (1, 0.08))
    # Panel heights.
    for P, want in ((3, "1.305098e+002"), (6, "9.383680e+001"),
                    (36, "3.434850e+001")):
        H = dbl(ext(Fraction(400) / ext(pow_double(P, D066) + 1)))
        check("panel height P=%d" % P, fmt_e(H), want)
    # Two sweeps of two components.
    r = _build(c("five_records"), 2, 50)
    for s, want in zip((1, 2, 3), (0.008, 0.044, 0.012)):
        near("five 50: binwidth slot %d" % s, r["bw"][s], want, 1e-12)
    check("five 50: bins", r["bins"][1:],
          [[12, 1], [1, 2], [8, 1], [1, 12], [1, 4], [8, 1]])
    check("five 50: xmin", [float(x) for x in r["xmin"][1:]],
          [0.3, 1.0, 1.9, 0.6, 3.0, 1.4])
    check("five 50: ymaxcol slot 1", float(r["ymax"][1]), 31.25)
    near("five 50: ymaxcol slot 2", r["ymax"][2], 5.6818)
    near("five 50: ymaxcol slot 3", r["ymax"][3], 20.833)
    r = _build(c("five_records"), 2, 40)
    for s, want in zip((1, 2, 3), (0.01, 0.055, 0.015)):
        near("five 40: binwidth slot %d" % s, r["bw"][s], want, 1e-12)
    check("five 40: row 2 bin 1", r["freq"][2][1], 1)
    r = _build(c("five_records"), 1, 50)
    check("five 50 k=1: binwidths", r["bw"][1:], [0, 0, 0])
    # Four sweeps of two components, two of them constant.
    r = _build(c("const_params_k2"), 2, 50)
    for s, want in zip((1, 2, 3), (0.2, 0.006, 0.02)):
        near("const 50: binwidth slot %d" % s, r["bw"][s], want, 1e-12)
    check("const 50: bins", r["bins"][1:],
          [[1, 24, 49, 9], [1, 24, 36, 49], [1, 1, 24, 49], [1, 9, 19, 29],
           [82] * 4, [24] * 4])
    check("const 50: xmin 5, 6", (r["xmin"][5], r["xmin"][6]),
          (0, Fraction(3, 2)))
    check("const 50: row 5 bin 82", r["freq"][5][82], 1)
    check("const 50: ymaxcol slot 1, 3", (r["ymax"][1], r["ymax"][3]),
          (Fraction(5, 16), 12.5))
    near("const 50: ymaxcol slot 2", r["ymax"][2], 10.417)
    # 40 bins, 0.05 on a boundary.
    r = _build(c("bin40_boundary"), 1, 40)
    near("boundary 40: binwidth", r["bw"][1], 0.02475, 1e-12)
    check("boundary 40: bins of 0, 0.05, 0.99", r["bins"][1], [1, 1, 39])
    third = dbl(ext(Fraction(1, 3)))
    check("boundary 40: bin 1 and 39", (r["freq"][1][1], r["freq"][1][39]),
          (dbl(ext(third + third)), third))
    ALL_DOUBLE = True
    r = _build(c("bin40_boundary"), 1, 40)
    ALL_DOUBLE = False
    check("boundary 40, every step a double: bins", r["bins"][1], [1, 2, 39])
    print("%d failed" % len(fails))
    return 1 if fails else 0


def main(argv):
    global ALL_DOUBLE
    if argv and argv[0] == "--all-double":
        ALL_DOUBLE = True
        argv = argv[1:]
    if argv and argv[0] == "--selftest":
        return selftest(argv[1] if len(argv) > 1 else os.path.join(
            os.path.dirname(os.path.abspath(__file__)), "..", "tests", "golden"))
    if argv and argv[0] == "--regen-golden":
        gdir = argv[1] if len(argv) > 1 else os.path.join(
            os.path.dirname(os.path.abspath(__file__)), "..", "tests", "golden")
        for case in sorted(os.listdir(gdir)):
            cdir = os.path.join(gdir, case)
            if not os.path.isfile(os.path.join(cdir, "Init.d")):
                continue
            for n in (50, 40):
                write_model(cdir, n, os.path.join(cdir, "ParHistos%d.d" % n))
            print("regenerated", case)
        return 0
    if len(argv) < 2:
        print(__doc__, file=sys.stderr)
        return 2
    folder, n = argv[0], int(argv[1])
    outfile = argv[2] if len(argv) > 2 else os.path.join(folder, "ParHistos.d")
    write_model(folder, n, outfile)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
