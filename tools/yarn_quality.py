#!/usr/bin/python3
"""Quality of the yarn colours taken from a motif, against ImageMagick's
`convert -colors N` and Pillow's `quantize(N)`.

For each photo and N, each method's N colours are used as the compute
command uses the yarns: every pixel takes the nearest colour in RGB (lowest
index on ties). The table gives the mean colour difference between the
photo and that result, CIEDE2000 and CIE76 (Delta E*ab), at full size.

    tools/yarn_quality.py build/bench/bench_yarns [photo ...]

Photos default to the JPEGs of the shared test data. Needs numpy and
Pillow (Debian: python3-numpy, python3-pil) and ImageMagick's `convert`.
"""
import glob
import os
import subprocess
import sys

import numpy as np
from PIL import Image

COUNTS = tuple(int(n) for n in os.environ.get("YARN_COUNTS", "4 8 16 32").split())


def srgb_to_lab(rgb):
    c = rgb.astype(np.float64) / 255.0
    c = np.where(c <= 0.04045, c / 12.92, ((c + 0.055) / 1.055) ** 2.4)
    m = np.array([[0.4124564, 0.3575761, 0.1804375],
                  [0.2126729, 0.7151522, 0.0721750],
                  [0.0193339, 0.1191920, 0.9503041]])
    xyz = c @ m.T / np.array([0.95047, 1.0, 1.08883])
    eps, kappa = 216 / 24389, 24389 / 27
    f = np.where(xyz > eps, np.cbrt(xyz), (kappa * xyz + 16) / 116)
    return np.stack([116 * f[..., 1] - 16, 500 * (f[..., 0] - f[..., 1]), 200 * (f[..., 1] - f[..., 2])], -1)


def ciede2000(lab1, lab2):
    L1, a1, b1 = lab1[..., 0], lab1[..., 1], lab1[..., 2]
    L2, a2, b2 = lab2[..., 0], lab2[..., 1], lab2[..., 2]
    C1, C2 = np.hypot(a1, b1), np.hypot(a2, b2)
    Cm = (C1 + C2) / 2
    G = 0.5 * (1 - np.sqrt(Cm ** 7 / (Cm ** 7 + 25.0 ** 7)))
    a1p, a2p = (1 + G) * a1, (1 + G) * a2
    C1p, C2p = np.hypot(a1p, b1), np.hypot(a2p, b2)
    h1p = np.degrees(np.arctan2(b1, a1p)) % 360
    h2p = np.degrees(np.arctan2(b2, a2p)) % 360
    dLp, dCp = L2 - L1, C2p - C1p
    dhp = h2p - h1p
    dhp = np.where(dhp > 180, dhp - 360, np.where(dhp < -180, dhp + 360, dhp))
    dhp = np.where(C1p * C2p == 0, 0, dhp)
    dHp = 2 * np.sqrt(C1p * C2p) * np.sin(np.radians(dhp / 2))
    Lpm, Cpm = (L1 + L2) / 2, (C1p + C2p) / 2
    hs = h1p + h2p
    hpm = np.where(np.abs(h1p - h2p) > 180, np.where(hs < 360, hs + 360, hs - 360), hs) / 2
    hpm = np.where(C1p * C2p == 0, hs, hpm)
    T = (1 - 0.17 * np.cos(np.radians(hpm - 30)) + 0.24 * np.cos(np.radians(2 * hpm))
         + 0.32 * np.cos(np.radians(3 * hpm + 6)) - 0.20 * np.cos(np.radians(4 * hpm - 63)))
    dtheta = 30 * np.exp(-(((hpm - 275) / 25) ** 2))
    Rc = 2 * np.sqrt(Cpm ** 7 / (Cpm ** 7 + 25.0 ** 7))
    Sl = 1 + 0.015 * (Lpm - 50) ** 2 / np.sqrt(20 + (Lpm - 50) ** 2)
    Sc, Sh = 1 + 0.045 * Cpm, 1 + 0.015 * Cpm * T
    Rt = -np.sin(np.radians(2 * dtheta)) * Rc
    return np.sqrt((dLp / Sl) ** 2 + (dCp / Sc) ** 2 + (dHp / Sh) ** 2 + Rt * (dCp / Sc) * (dHp / Sh))


def mean_errors(pixels, palette):
    """Mean CIEDE2000 and CIE76 of the photo against its nearest-colour map."""
    pal = np.asarray(palette, dtype=np.int64)
    pal_lab = srgb_to_lab(pal)
    de00 = de76 = 0.0
    for start in range(0, len(pixels), 1 << 20):
        chunk = pixels[start:start + (1 << 20)].astype(np.int64)
        d = ((chunk[:, None, :] - pal[None, :, :]) ** 2).sum(-1)
        nearest = d.argmin(1)  # first minimum: the lowest index wins
        lab = srgb_to_lab(chunk)
        de00 += ciede2000(lab, pal_lab[nearest]).sum()
        de76 += np.sqrt(((lab - pal_lab[nearest]) ** 2).sum(-1)).sum()
    return de00 / len(pixels), de76 / len(pixels)


def ours(tool, photo, n):
    out = subprocess.run([tool, "--palette", photo, str(n)], check=True, capture_output=True, text=True).stdout
    return [tuple(int(v) for v in line.split()) for line in out.splitlines() if line.strip()]


def imagemagick(photo, n):
    out = subprocess.run(["convert", photo, "-colors", str(n), "-unique-colors", "-depth", "8", "txt:-"],
                         check=True, capture_output=True, text=True).stdout
    colours = []
    for line in out.splitlines():
        if line.startswith("#"):
            continue
        rgb = line.split("(")[1].split(")")[0].split(",")[:3]
        colours.append(tuple(int(round(float(v))) for v in rgb))
    return colours


def pillow(image, n):
    q = image.quantize(n)
    used = sorted({i for _, i in q.getcolors(n)})
    p = q.getpalette()
    return [tuple(p[3 * i:3 * i + 3]) for i in used]


def main():
    if len(sys.argv) < 2:
        print(__doc__)
        return 2
    tool = sys.argv[1]
    here = os.path.dirname(os.path.abspath(__file__))
    photos = sys.argv[2:] or sorted(glob.glob(os.path.join(here, "..", "..", "shared", "testdata", "photos", "*.jpg")))
    print("| photo | N | ours ΔE00 | ImageMagick ΔE00 | Pillow ΔE00 | ours ΔE76 | ImageMagick ΔE76 | Pillow ΔE76 |")
    print("|---|---|---|---|---|---|---|---|")
    worse = 0
    for photo in photos:
        image = Image.open(photo).convert("RGB")
        pixels = np.asarray(image).reshape(-1, 3)
        for n in COUNTS:
            res = [mean_errors(pixels, pal) for pal in (ours(tool, photo, n), imagemagick(photo, n), pillow(image, n))]
            if res[0][0] > min(res[1][0], res[2][0]) or res[0][1] > min(res[1][1], res[2][1]):
                worse += 1
            cells = [f"{r[0]:.2f}" for r in res] + [f"{r[1]:.2f}" for r in res]
            print(f"| {os.path.basename(photo)} | {n} | " + " | ".join(cells) + " |", flush=True)
    print(f"\nours worse than the better of the others: {worse} case(s)")
    return 1 if worse else 0


if __name__ == "__main__":
    sys.exit(main())
