#!/usr/bin/python3
# Writes the measurement files of this folder and the rates expected from them,
# computed with NumPy and SciPy (run once; the tests read expected_*.csv only):
#   /usr/bin/python3 tests/data/rates/make_expected.py
# Needs python3-numpy and python3-scipy.

import os

import numpy as np
from scipy import special

HERE = os.path.dirname(os.path.abspath(__file__))
VOLUME_ML = 250.0
AMOUNT = 2.5
UNITS = {"noisy.cv3": 1, "gap.cv3": 2, "negative.cv3": 1, "three.cv3": 1, "flat.cv3": 2,
         "blank.cv3": 1}


def write_cv3(name, unit, interval, elapsed, values, temps, light):
    """A measurement file as the station writes it (CR LF, fixed columns)."""
    lines = [
        "AnzahlMesswerte=%d" % (len(elapsed) - 1),
        "Jahr=2026", "Monat=12", "Tag=7", "Stunde=10", "Minute=0", "Sekunde=0",
        "Messabstand=%d" % interval, "Temperatur=25", "Einheit=%d" % unit,
        "AnzahlProg=0", "", "", "Messwerte:",
    ]
    for t, v, c, l in zip(elapsed, values, temps, light):
        clock = 10 * 3600 + t
        lines.append("%4d %4d %4d %8d %8.2f %4.1f %1d" % (
            clock // 3600 % 24, clock // 60 % 60, clock % 60, t, v, c, l))
    with open(os.path.join(HERE, name), "w", newline="") as f:
        f.write("\r\n".join(lines) + "\r\n")


def read_cv3(name):
    """The values as the station holds them: single-precision floats."""
    rows = []
    with open(os.path.join(HERE, name)) as f:
        seen = False
        for line in f:
            if line.strip() == "Messwerte:":
                seen = True
                continue
            if seen and line.strip():
                rows.append(line.split())
    t = np.array([float(int(r[3])) for r in rows])
    y = np.array([np.float32(r[4]) for r in rows], dtype=np.float64)
    c = np.array([np.float32(r[5]) for r in rows], dtype=np.float64)
    light = np.array([int(r[6]) for r in rows])
    return t, y, c, light


def fit(t, y, c):
    """Least squares with NumPy; statistics as a textbook gives them."""
    keep = y >= 0
    t, y, c = t[keep], y[keep], c[keep]
    n = len(t)
    out = {"n": n, "first_s": t[0], "last_s": t[-1]}
    A = np.vstack([t, np.ones(n)]).T
    (slope, intercept), *_ = np.linalg.lstsq(A, y, rcond=None)
    out["slope"] = slope
    out["temp"] = c.mean()
    if n >= 3:
        resid = y - (slope * t + intercept)
        sxx = ((t - t.mean()) ** 2).sum()
        se = np.sqrt((resid ** 2).sum() / (n - 2) / sxx)
        out["se"] = se
        out["r2"] = np.corrcoef(t, y)[0, 1] ** 2 if np.ptp(y) > 0 else None
        q = t_quantile(0.975, n - 2)
        out["ci_low"] = slope - q * se
        out["ci_high"] = slope + q * se
    return out


def segments(light):
    bounds, state = [], None
    for k, l in enumerate(light):
        if l != state:
            bounds.append(max(k - 1, 0))
            state = l
    bounds.append(len(light) - 1)
    return bounds


def t_quantile(p, dof):
    """Student's t quantile by the inverse incomplete beta function, in the form
    that keeps its digits (stats.t.ppf is off by up to 1e-10 here)."""
    if p < 0.5:
        return -t_quantile(1 - p, dof)
    if dof >= 10000:
        # The inverse beta function loses digits here; the expansion about the
        # normal quantile (Cornish-Fisher) converges fast instead.
        z = special.ndtri(p)
        g1 = (z ** 3 + z) / 4
        g2 = (5 * z ** 5 + 16 * z ** 3 + 3 * z) / 96
        g3 = (3 * z ** 7 + 19 * z ** 5 + 17 * z ** 3 - 15 * z) / 384
        g4 = (79 * z ** 9 + 776 * z ** 7 + 1482 * z ** 5 - 1920 * z ** 3 - 945 * z) / 92160
        return z + g1 / dof + g2 / dof ** 2 + g3 / dof ** 3 + g4 / dof ** 4
    tail = 2 * (1 - p)
    x = special.betaincinv(dof / 2, 0.5, tail)  # x = dof / (dof + t^2)
    y = special.betaincinv(0.5, dof / 2, 1 - tail)  # y = 1 - x
    return np.sqrt(dof * (1 - x) / x) if x < y else np.sqrt(dof * y / (1 - y))


def check_t_quantile():
    """Closed forms for 1 and 2 degrees of freedom."""
    for p in [0.975, 0.995, 0.6, 0.9999]:
        assert abs(t_quantile(p, 1) / np.tan(np.pi * (p - 0.5)) - 1) < 1e-12
        assert abs(t_quantile(p, 2) / ((2 * p - 1) / np.sqrt(2 * p * (1 - p))) - 1) < 1e-12


def g(x):
    return "" if x is None else "%.17g" % x


def main():
    check_t_quantile()
    rng = np.random.default_rng(20)
    # A noisy respiration curve: falls in the dark, rises in the light after a delay.
    k = np.arange(400)
    t = 5 * k
    light = ((k >= 100) & (k < 300)).astype(int)
    y = np.where(k < 100, 150 - 0.02 * t,
                 np.where(k < 300, 140 + 0.0004 * (t - 500) ** 2 / 10 - 0.01 * (t - 500),
                          170 - 0.03 * (t - 1500)))
    y = np.minimum(y, 180) + rng.normal(0, 0.05, len(k))
    temps = 25 + 0.3 * np.sin(k / 40) + rng.normal(0, 0.02, len(k))
    write_cv3("noisy.cv3", 1, 5, t, y, temps, light)
    # A curve with a gap in time (mg/l): 100 s without samples.
    t2 = np.concatenate([np.arange(30) * 10, 400 + np.arange(30) * 10])
    y2 = 9.0 - 0.004 * t2 + rng.normal(0, 0.02, len(t2))
    write_cv3("gap.cv3", 2, 10, t2, y2, 20 + 0 * t2, np.zeros(len(t2), int))
    # Negative values (no reading) inside a range.
    t3 = np.arange(30) * 5
    y3 = 50 + 0.05 * t3 + rng.normal(0, 0.1, len(t3))
    y3[[4, 11, 12, 20]] = -1.0
    write_cv3("negative.cv3", 1, 5, t3, y3, 30 + 0.1 * np.arange(30), np.zeros(30, int))
    # Three samples: n = 3, and n = 2 over part of them.
    write_cv3("three.cv3", 1, 5, np.array([0, 5, 10]), np.array([100.0, 101.5, 102.25]),
              np.array([21.0, 21.5, 22.0]), np.zeros(3, int))
    # A blank chamber beside the noisy curve: a slow drift.
    write_cv3("blank.cv3", 1, 5, t, 120 - 0.001 * t + rng.normal(0, 0.05, len(k)), temps,
              light)
    # Values that do not vary.
    write_cv3("flat.cv3", 2, 5, np.arange(20) * 5, np.full(20, 7.5), np.full(20, 24.0),
              np.zeros(20, int))

    ranges = [("noisy.cv3", 0, 495), ("noisy.cv3", 600, 1200), ("noisy.cv3", 1500, 1995),
              ("noisy.cv3", 0, 1995), ("gap.cv3", 0, 690), ("gap.cv3", 200, 500),
              ("negative.cv3", 0, 145), ("negative.cv3", 50, 70), ("three.cv3", 0, 10),
              ("three.cv3", 5, 10), ("flat.cv3", 0, 95), ("flat.cv3", 10, 20)]
    with open(os.path.join(HERE, "expected_ranges.csv"), "w", newline="") as f:
        f.write("file,range_first_s,range_last_s,n,first_s,last_s,slope_per_s,se_per_s,r2,"
                "ci95_low_per_s,ci95_high_per_s,mean_temperature_c,umol_per_h,umol_per_h_per_amount,"
                "blank_slope_per_s,corrected_slope_per_s,corrected_se_per_s\n")
        for name, a, b in ranges:
            t, y, c, _ = read_cv3(name)
            sel = (t >= a) & (t <= b)
            o = fit(t[sel], y[sel], c[sel])
            unit = UNITS[name]
            # Amount of oxygen for a volume of 250 ml and an amount of 2.5.
            if unit == 1:
                # Ideal gas in SI units: 1 mbar = 100 Pa, 1 ml = 1e-6 m3.
                umol = (o["slope"] * 100.0) * (VOLUME_ML * 1e-6) / (
                    8.314462618 * (o["temp"] + 273.15)) * 1e6 * 3600
            else:
                umol = o["slope"] * (VOLUME_ML * 1e-3) / 31.998 * 1e3 * 3600
            blank = corrected = corrected_se = None
            if name == "noisy.cv3":
                bt, by, bc, _ = read_cv3("blank.cv3")
                bsel = (bt >= o["first_s"]) & (bt <= o["last_s"])
                bo = fit(bt[bsel], by[bsel], bc[bsel])
                blank = bo["slope"]
                corrected = o["slope"] - blank
                corrected_se = np.hypot(o["se"], bo["se"])
            f.write("%s,%d,%d,%d,%s,%s,%s,%s,%s,%s,%s,%s,%s,%s,%s,%s,%s\n" % (
                name, a, b, o["n"], g(o["first_s"]), g(o["last_s"]), g(o["slope"]),
                g(o.get("se")), g(o.get("r2")), g(o.get("ci_low")), g(o.get("ci_high")),
                g(o["temp"]), g(umol), g(umol / AMOUNT), g(blank), g(corrected),
                g(corrected_se)))

    # The most linear window of each light segment, by trying every window.
    with open(os.path.join(HERE, "expected_auto.csv"), "w", newline="") as f:
        f.write("file,window,segment,first_s,last_s,slope_per_s,r2\n")
        for name, window in [("noisy.cv3", 0), ("noisy.cv3", 25), ("gap.cv3", 0)]:
            t, y, c, light = read_cv3(name)
            b = segments(light)
            for i in range(len(b) - 1):
                w = window if window > 0 else max(10, (b[i + 1] - b[i]) // 10)
                best = None
                for s in range(b[i], b[i + 1] - w + 1):
                    tt, yy = t[s:s + w], y[s:s + w]
                    r2 = np.corrcoef(tt, yy)[0, 1] ** 2
                    if best is None or r2 > best[0]:
                        best = (r2, s)
                if best is None:
                    continue
                s = best[1]
                o = fit(t[s:s + w], y[s:s + w], c[s:s + w])
                f.write("%s,%d,%d,%s,%s,%s,%s\n" % (name, window, i + 1, g(o["first_s"]),
                                                     g(o["last_s"]), g(o["slope"]), g(o["r2"])))

    with open(os.path.join(HERE, "expected_t.csv"), "w", newline="") as f:
        f.write("p,dof,t\n")
        for dof in [1, 2, 3, 4, 5, 7, 10, 20, 30, 50, 100, 1000, 100000]:
            for p in [0.975, 0.995, 0.6, 0.025, 0.9999]:
                f.write("%s,%d,%s\n" % (g(p), dof, g(t_quantile(p, dof))))

    with open(os.path.join(HERE, "expected_beta.csv"), "w", newline="") as f:
        f.write("a,b,x,i\n")
        for a, b, x in [(0.5, 0.5, 0.3), (2.0, 3.0, 0.4), (10.0, 0.5, 0.9), (0.5, 50.0, 0.01),
                        (250.0, 0.5, 0.99), (1.5, 4.0, 0.95)]:
            f.write("%s,%s,%s,%s\n" % (g(a), g(b), g(x), g(special.betainc(a, b, x))))


if __name__ == "__main__":
    main()
