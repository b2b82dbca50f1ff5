#!/usr/bin/env python3
"""Makes Pictavo's starter materials: tileable wallpapers, rule images, short background music
and the coordinate themes that combine them.

Only the Python standard library is used (zlib for PNG, wave for WAV), and every random choice
comes from a fixed seed, so running the script again gives the same bytes.

    python3 Material/tools/make_materials.py [--check]

--check only verifies that the themes read well (text contrast) and that the files exist.
"""

import math
import os
import random
import struct
import sys
import wave
import zlib

HERE = os.path.dirname(os.path.abspath(__file__))
MATERIAL = os.path.dirname(HERE)


# ---------------------------------------------------------------- colours and contrast

def hex_rgb(text):
    text = text.lstrip("#")
    return tuple(int(text[i:i + 2], 16) for i in (0, 2, 4))


def luminance(rgb):
    def channel(c):
        c = c / 255.0
        return c / 12.92 if c <= 0.03928 else ((c + 0.055) / 1.055) ** 2.4
    r, g, b = (channel(c) for c in rgb[:3])
    return 0.2126 * r + 0.7152 * g + 0.0722 * b


def contrast(a, b):
    la, lb = luminance(a), luminance(b)
    hi, lo = max(la, lb), min(la, lb)
    return (hi + 0.05) / (lo + 0.05)


def mix(a, b, t):
    return tuple(round(a[i] + (b[i] - a[i]) * t) for i in range(len(a)))


# ---------------------------------------------------------------- PNG writing

def png_bytes(width, height, pixels, alpha=False):
    """pixels: rows of (r, g, b) or (r, g, b, a) tuples."""
    raw = bytearray()
    for row in pixels:
        raw.append(0)  # filter: none
        for p in row:
            raw.extend(p[:4] if alpha else p[:3])

    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)

    header = struct.pack(">IIBBBBB", width, height, 8, 6 if alpha else 2, 0, 0, 0)
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) +
            chunk(b"IDAT", zlib.compress(bytes(raw), 9)) + chunk(b"IEND", b""))


class Canvas:
    """A tile whose drawing wraps around its edges, so that the tile repeats without seams."""

    def __init__(self, width, height, colour, alpha=False):
        self.w, self.h, self.alpha = width, height, alpha
        fill = tuple(colour) + ((255,) if alpha and len(colour) == 3 else ())
        self.px = [[fill for _ in range(width)] for _ in range(height)]

    def blend(self, x, y, colour, amount=1.0, wrap=True):
        if wrap:
            x, y = x % self.w, y % self.h
        elif not (0 <= x < self.w and 0 <= y < self.h):
            return
        old = self.px[y][x]
        if self.alpha:
            # Straight alpha "over" compositing of an opaque colour with coverage `amount`.
            a_old = old[3] / 255.0
            a_new = amount + a_old * (1 - amount)
            if a_new <= 0:
                return
            rgb = tuple(round((colour[i] * amount + old[i] * a_old * (1 - amount)) / a_new)
                        for i in range(3))
            self.px[y][x] = rgb + (round(a_new * 255),)
        else:
            self.px[y][x] = mix(old, colour, amount)

    def disc(self, cx, cy, radius, colour, wrap=True, squash=1.0):
        # Coverage is measured from the exact centre to each pixel's centre, so shapes placed at
        # fractional positions come out smooth rather than stepped.
        r = int(math.ceil(radius)) + 1
        for dy in range(-r, r + 1):
            for dx in range(-r, r + 1):
                px, py = math.floor(cx) + dx, math.floor(cy) + dy
                d = math.hypot(px + 0.5 - cx, (py + 0.5 - cy) / squash)
                cover = max(0.0, min(1.0, radius + 0.5 - d))
                if cover > 0:
                    self.blend(px, py, colour, cover, wrap)

    def save(self, path):
        with open(path, "wb") as f:
            f.write(png_bytes(self.w, self.h, self.px, self.alpha))


def periodic_noise(width, height, cells, rng):
    """Smooth value noise in [-1, 1] that repeats every width x height pixels."""
    grid = [[rng.uniform(-1, 1) for _ in range(cells)] for _ in range(cells)]

    def smooth(t):
        return t * t * (3 - 2 * t)
    out = []
    for y in range(height):
        gy = y * cells / height
        y0, ty = int(gy), smooth(gy - int(gy))
        row = []
        for x in range(width):
            gx = x * cells / width
            x0, tx = int(gx), smooth(gx - int(gx))
            a = grid[y0 % cells][x0 % cells]
            b = grid[y0 % cells][(x0 + 1) % cells]
            c = grid[(y0 + 1) % cells][x0 % cells]
            d = grid[(y0 + 1) % cells][(x0 + 1) % cells]
            row.append((a * (1 - tx) + b * tx) * (1 - ty) + (c * (1 - tx) + d * tx) * ty)
        out.append(row)
    return out


# ---------------------------------------------------------------- wallpapers (BKGROUND)

def wall_sakura(path):
    rng = random.Random(11)
    c = Canvas(96, 96, hex_rgb("#fff5f7"))
    for _ in range(9):
        x, y = rng.uniform(0, 96), rng.uniform(0, 96)
        angle = rng.uniform(0, math.pi)
        tone = hex_rgb(rng.choice(["#ffdce5", "#ffe6ec", "#fcd3de"]))
        # Five petals around a centre.
        for k in range(5):
            a = angle + k * 2 * math.pi / 5
            c.disc(x + 3.2 * math.cos(a), y + 3.2 * math.sin(a), 2.2, tone)
        c.disc(x, y, 1.2, hex_rgb("#f9c8d6"))
    c.save(path)


def wall_sea(path):
    c = Canvas(96, 48, hex_rgb("#eaf6ff"))
    line = hex_rgb("#cde6f8")
    for y in range(48):
        for x in range(96):
            for base in (8, 32):
                wave_y = base + 3.5 * math.sin(2 * math.pi * x / 96) + (x * 0)
                d = abs(y - wave_y)
                if base == 32:
                    d = abs(y - (base + 3.5 * math.sin(2 * math.pi * x / 96 + math.pi)))
                if d < 1.6:
                    c.blend(x, y, line, min(1.0, 1.6 - d))
    c.save(path)


def wall_momiji(path):
    rng = random.Random(23)
    c = Canvas(96, 96, hex_rgb("#fff3e0"))
    for _ in range(10):
        x, y = rng.uniform(0, 96), rng.uniform(0, 96)
        tone = hex_rgb(rng.choice(["#ffdcb8", "#ffe4c4", "#fdd5b0"]))
        turn = rng.uniform(0, math.pi)
        # A small maple leaf: seven thin lobes.
        for k in range(7):
            a = turn + k * 2 * math.pi / 7
            for step in range(1, 6):
                c.disc(x + step * math.cos(a), y + step * math.sin(a), 1.3 - step * 0.12, tone)
        c.disc(x, y, 1.8, tone)
    c.save(path)


def wall_snow(path):
    rng = random.Random(37)
    c = Canvas(96, 96, hex_rgb("#eef3f9"))
    for _ in range(26):
        x, y = rng.uniform(0, 96), rng.uniform(0, 96)
        c.disc(x, y, rng.choice([0.8, 1.2, 1.8, 2.4]), (255, 255, 255))
    for _ in range(14):
        c.disc(rng.uniform(0, 96), rng.uniform(0, 96), 1.0, hex_rgb("#e1e9f3"))
    c.save(path)


def wall_night(path):
    rng = random.Random(41)
    c = Canvas(128, 128, hex_rgb("#101830"))
    noise = periodic_noise(128, 128, 4, rng)
    for y in range(128):
        for x in range(128):
            c.blend(x, y, hex_rgb("#1a2548"), 0.5 + 0.5 * noise[y][x])
    for _ in range(22):
        x, y = rng.randrange(128), rng.randrange(128)
        c.blend(x, y, hex_rgb(rng.choice(["#ffffff", "#fff1b8", "#cfdcff"])), rng.uniform(0.5, 1))
    for _ in range(3):
        x, y = rng.randrange(128), rng.randrange(128)
        c.disc(x, y, 0.9, hex_rgb("#fff6cc"))
    c.save(path)


def wall_leaf(path):
    c = Canvas(48, 48, hex_rgb("#f1f8e9"))
    stripe = hex_rgb("#e1f0d0")
    for y in range(48):
        for x in range(48):
            t = (x + y) % 24
            if t < 8:
                c.blend(x, y, stripe, 1.0 if 1 <= t <= 6 else 0.5)
    c.save(path)


def wall_washi(path):
    rng = random.Random(53)
    c = Canvas(128, 128, hex_rgb("#f7f1e3"))
    noise = periodic_noise(128, 128, 8, rng)
    for y in range(128):
        for x in range(128):
            n = noise[y][x]
            c.blend(x, y, hex_rgb("#ece3cf") if n < 0 else (255, 252, 244), abs(n) * 0.6)
    fibre = hex_rgb("#e6dbc2")
    for _ in range(18):
        x, y = rng.uniform(0, 128), rng.uniform(0, 128)
        a = rng.uniform(0, 2 * math.pi)
        bend = rng.uniform(-0.08, 0.08)
        for step in range(rng.randrange(8, 20)):
            c.blend(int(x), int(y), fibre, 0.8)
            a += bend
            x, y = x + math.cos(a), y + math.sin(a)
    c.save(path)


def wall_mint_check(path):
    c = Canvas(48, 48, hex_rgb("#f3fbf7"))
    band = hex_rgb("#e0f3ea")
    both = hex_rgb("#d2ecdf")
    for y in range(48):
        for x in range(48):
            h, v = (y % 24) < 12, (x % 24) < 12
            if h and v:
                c.blend(x, y, both)
            elif h or v:
                c.blend(x, y, band)
    c.save(path)


WALLPAPERS = {
    "sakura.png": wall_sakura,
    "sea_wave.png": wall_sea,
    "momiji.png": wall_momiji,
    "snow.png": wall_snow,
    "night_sky.png": wall_night,
    "leaf_stripe.png": wall_leaf,
    "washi.png": wall_washi,
    "mint_check.png": wall_mint_check,
}


# ---------------------------------------------------------------- rule images (BORDER)

RULE_W, RULE_H = 600, 10
CLEAR = (0, 0, 0, 0)


def rule_sakura(path):
    c = Canvas(RULE_W, RULE_H, CLEAR, alpha=True)
    pink, deep = hex_rgb("#f4a6bd"), hex_rgb("#e0708f")
    for x in range(RULE_W):
        c.blend(x, 5, pink, 0.9, wrap=False)
    for x in range(12, RULE_W, 40):
        for k in range(5):
            a = k * 2 * math.pi / 5 - math.pi / 2
            c.disc(x + 2.3 * math.cos(a), 5 + 2.3 * math.sin(a), 1.5, pink, wrap=False)
        c.disc(x, 5, 0.8, deep, wrap=False)
    c.save(path)


def rule_wave(path):
    c = Canvas(RULE_W, RULE_H, CLEAR, alpha=True)
    blue = hex_rgb("#3f8ccc")
    for y in range(RULE_H):
        for x in range(RULE_W):
            # Distance to the curve, corrected by its slope, gives an even, smooth stroke.
            t = 2 * math.pi * (x + 0.5) / 30
            slope = 3 * math.cos(t) * 2 * math.pi / 30
            d = abs(y + 0.5 - (5 + 3 * math.sin(t))) / math.sqrt(1 + slope * slope)
            cover = max(0.0, min(1.0, 1.5 - d))
            if cover > 0:
                c.blend(x, y, blue, cover, wrap=False)
    c.save(path)


def rule_gold(path):
    c = Canvas(RULE_W, RULE_H, CLEAR, alpha=True)
    gold, light = hex_rgb("#b8901e"), hex_rgb("#e3c45a")
    for x in range(RULE_W):
        fade = min(1.0, x / 40, (RULE_W - 1 - x) / 40)
        c.blend(x, 3, gold, fade, wrap=False)
        c.blend(x, 4, light, fade, wrap=False)
        c.blend(x, 7, gold, fade, wrap=False)
    c.save(path)


def rule_leaf(path):
    c = Canvas(RULE_W, RULE_H, CLEAR, alpha=True)
    green, dark = hex_rgb("#7cb342"), hex_rgb("#558b2f")
    for i, x in enumerate(range(6, RULE_W, 14)):
        c.disc(x, 5, 2.6 if i % 3 == 0 else 1.7, dark if i % 3 == 0 else green, wrap=False,
               squash=0.7)
    c.save(path)


def rule_star(path):
    c = Canvas(RULE_W, RULE_H, CLEAR, alpha=True)
    yellow = hex_rgb("#ffd54f")
    for i, x in enumerate(range(10, RULE_W, 24)):
        big = i % 2 == 0
        size = 4.2 if big else 2.6
        for k in range(5):  # a five-pointed star drawn as five spokes
            a = -math.pi / 2 + k * 2 * math.pi / 5
            for step in range(0, 9):
                r = size * step / 8
                c.disc(x + r * math.cos(a), 5 + r * math.sin(a), 0.7 * (1 - step / 10), yellow,
                       wrap=False)
        c.disc(x, 5, size * 0.35, yellow, wrap=False)
    c.save(path)


def rule_snow(path):
    c = Canvas(RULE_W, RULE_H, CLEAR, alpha=True)
    ice, line = hex_rgb("#6f93bf"), hex_rgb("#a9c0dc")
    for x in range(RULE_W):
        if x % 6 < 3:
            c.blend(x, 5, line, 1.0, wrap=False)
    for x in range(20, RULE_W, 60):
        for k in range(6):  # a small six-armed flake
            a = k * math.pi / 3
            for step in range(0, 9):
                r = 4.2 * step / 8
                c.disc(x + r * math.cos(a), 5 + r * math.sin(a), 0.45, ice, wrap=False)
    c.save(path)


RULES = {
    "line_sakura.png": rule_sakura,
    "line_wave.png": rule_wave,
    "line_gold.png": rule_gold,
    "line_leaf.png": rule_leaf,
    "line_star.png": rule_star,
    "line_snow.png": rule_snow,
}


# ---------------------------------------------------------------- background music (SOUND)

RATE = 11025


def note_freq(name):
    names = {"C": -9, "D": -7, "E": -5, "F": -4, "G": -2, "A": 0, "B": 2}
    semis = names[name[0]] + (1 if "#" in name else 0) + 12 * (int(name[-1]) - 4)
    return 440.0 * 2 ** (semis / 12)


def render(notes, beat, voice, total_beats, gain=0.35):
    """notes: (start beat, length in beats, note name). Returns samples in [-1, 1]."""
    length = int(total_beats * beat * RATE)
    out = [0.0] * length
    for start, beats, name in notes:
        f = note_freq(name)
        first = int(start * beat * RATE)
        n = int(beats * beat * RATE)
        for i in range(n):
            if first + i >= length:
                break
            t = i / RATE
            out[first + i] += voice(f, t, beats * beat) * gain
    # Soft fade in and out so the piece can loop without a click.
    fade = int(0.05 * RATE)
    for i in range(fade):
        out[i] *= i / fade
        out[-1 - i] *= i / fade
    return out


def music_box(f, t, dur):
    env = math.exp(-3.2 * t) * min(1.0, t * 400)
    return env * (math.sin(2 * math.pi * f * t) + 0.25 * math.sin(2 * math.pi * 2 * f * t) +
                  0.08 * math.sin(2 * math.pi * 3 * f * t))


def soft_pad(f, t, dur):
    attack = min(1.0, t / 0.08)
    release = min(1.0, max(0.0, (dur - t) / 0.15))
    vibrato = 1 + 0.003 * math.sin(2 * math.pi * 5 * t)
    return attack * release * 0.7 * (math.sin(2 * math.pi * f * vibrato * t) +
                                     0.3 * math.sin(2 * math.pi * 2 * f * t))


def song_haru():
    # A spring tune on the five-note scale D E G A B.
    melody = "D5 E5 G5 A5 G5 E5 D5 B4 D5 E5 G5 E5 D5 . . ."
    notes = []
    for i, n in enumerate(melody.split()):
        if n != ".":
            notes.append((i, 1, n))
    for i, n in enumerate(["G3", "D4", "G3", "D4", "E3", "B3", "D3", "A3"]):
        notes.append((i * 2, 2, n))
    return render(notes, 0.42, music_box, 16)


def song_umi():
    # Slow arpeggios like small waves: C, A minor, F, G.
    chords = [["C4", "E4", "G4", "C5"], ["A3", "C4", "E4", "A4"], ["F3", "A3", "C4", "F4"],
              ["G3", "B3", "D4", "G4"]]
    notes = []
    beat = 0
    for chord in chords:
        for n in chord + chord[-2:0:-1]:
            notes.append((beat, 1.6, n))
            beat += 0.5
    return render(notes, 0.5, soft_pad, beat + 1, gain=0.22)


def song_yoru():
    # A quiet night piece in A minor on a music box.
    melody = ["A5", "E5", "C5", "E5", "B4", "E5", "G#4", "B4",
              "A4", "C5", "E5", "A5", "G5", "E5", "D5", "E5"]
    notes = [(i * 0.75, 1.5, n) for i, n in enumerate(melody)]
    notes += [(0, 6, "A3"), (6, 6, "E3")]
    return render(notes, 0.5, music_box, 16, gain=0.3)


SOUNDS = {
    "haru_no_uta.wav": song_haru,
    "umi_no_kaze.wav": song_umi,
    "yoru_no_hoshi.wav": song_yoru,
}


def write_wav(path, samples):
    peak = max(1e-9, max(abs(s) for s in samples))
    scale = 0.8 * 32767 / peak
    frames = b"".join(struct.pack("<h", int(max(-32767, min(32767, s * scale)))) for s in samples)
    with wave.open(path, "wb") as w:
        w.setnchannels(1)
        w.setsampwidth(2)
        w.setframerate(RATE)
        w.writeframes(frames)


# ---------------------------------------------------------------- themes (THEME)

# title, title colour, description colour, comment colour, background, sizes, wallpaper, music, rule
THEMES = [
    ("春の桜", "#a8325a", "#5c2a3c", "#4a2532", "#fff5f7", (7, 4, 2),
     "sakura.png", "haru_no_uta.wav", "line_sakura.png"),
    ("夏の海", "#0b4f8a", "#1d3c5a", "#17324d", "#eaf6ff", (7, 4, 2),
     "sea_wave.png", "umi_no_kaze.wav", "line_wave.png"),
    ("秋の紅葉", "#9a3412", "#5b3215", "#4a2a10", "#fff3e0", (7, 4, 2),
     "momiji.png", "", "line_gold.png"),
    ("冬の雪", "#2a4a7a", "#34495e", "#2c3e50", "#eef3f9", (6, 4, 2),
     "snow.png", "", "line_snow.png"),
    ("星空の夜", "#ffe680", "#dfe8ff", "#c8d4f0", "#101830", (7, 4, 2),
     "night_sky.png", "yoru_no_hoshi.wav", "line_star.png"),
    ("若葉の季節", "#2e6b1f", "#2f4a25", "#26401f", "#f1f8e9", (6, 3, 2),
     "leaf_stripe.png", "haru_no_uta.wav", "line_leaf.png"),
    ("和紙と金", "#7a2818", "#3d3025", "#3d3025", "#f7f1e3", (6, 4, 2),
     "washi.png", "", "line_gold.png"),
    ("ミントチェック", "#0f6b55", "#234d42", "#1e3f37", "#f3fbf7", (6, 3, 2),
     "mint_check.png", "", "line_leaf.png"),
    ("シンプル白", "#333333", "#555555", "#333333", "#ffffff", (6, 3, 2), "", "", ""),
    ("モノクロ夜", "#ffffff", "#dddddd", "#cccccc", "#202020", (6, 3, 2), "", "", ""),
]


def theme_line(theme):
    title, ct, cd, cc, bg, sizes, wall, music, rule = theme
    fields = [title, ct, cd, cc, bg] + [str(s) for s in sizes] + [wall, music, rule]
    assert all("," not in f for f in fields)
    return ",".join(fields) + "\r\n"


def read_png_pixels(path):
    """Decodes the PNGs this script writes (8-bit RGB or RGBA, filter 0)."""
    with open(path, "rb") as f:
        data = f.read()
    pos, idat, width, height, kind = 8, b"", 0, 0, 2
    while pos < len(data):
        length, = struct.unpack(">I", data[pos:pos + 4])
        tag, body = data[pos + 4:pos + 8], data[pos + 8:pos + 8 + length]
        if tag == b"IHDR":
            width, height, _, kind = struct.unpack(">IIBB", body[:10])
        elif tag == b"IDAT":
            idat += body
        pos += 12 + length
    raw = zlib.decompress(idat)
    step = 4 if kind == 6 else 3
    pixels, i = [], 0
    for _ in range(height):
        i += 1
        for _ in range(width):
            pixels.append(tuple(raw[i:i + 3]))
            i += step
    return pixels


def check_themes():
    """Every theme's text must read well on its background colour and on its wallpaper: a contrast
    of 4.5 for the small texts and 3 for the large title, against the wallpaper's mean colour and
    against at least 97 % of its pixels (a few star or snow dots may be brighter)."""
    problems = []
    for theme in THEMES:
        title, ct, cd, cc, bg, sizes, wall, music, rule = theme
        grounds = [("background", [hex_rgb(bg)])]
        if wall:
            grounds.append((wall, read_png_pixels(os.path.join(MATERIAL, "BKGROUND", wall))))
        for label, colour, need in (("title", ct, 3.0), ("description", cd, 4.5),
                                    ("comment", cc, 4.5)):
            for ground_name, pixels in grounds:
                mean = tuple(sum(p[i] for p in pixels) / len(pixels) for i in range(3))
                ratio = contrast(hex_rgb(colour), mean)
                good = sum(1 for p in pixels if contrast(hex_rgb(colour), p) >= need) / len(pixels)
                if ratio < need or good < 0.97:
                    problems.append("%s: %s %s on %s: contrast %.2f, %.0f%% of pixels" %
                                    (title, label, colour, ground_name, ratio, good * 100))
        for folder, name in (("BKGROUND", wall), ("SOUND", music), ("BORDER", rule)):
            if name and not os.path.exists(os.path.join(MATERIAL, folder, name)):
                problems.append("%s: missing %s/%s" % (title, folder, name))
    return problems


def main():
    if "--check" not in sys.argv:
        for folder in ("BKGROUND", "BORDER", "SOUND", "THEME"):
            os.makedirs(os.path.join(MATERIAL, folder), exist_ok=True)
        for name, make in WALLPAPERS.items():
            make(os.path.join(MATERIAL, "BKGROUND", name))
        for name, make in RULES.items():
            make(os.path.join(MATERIAL, "BORDER", name))
        for name, make in SOUNDS.items():
            write_wav(os.path.join(MATERIAL, "SOUND", name), make())
        with open(os.path.join(MATERIAL, "THEME", "standard.ctm"), "wb") as f:
            f.write("".join(theme_line(t) for t in THEMES).encode("cp932"))
    problems = check_themes()
    for p in problems:
        print(p, file=sys.stderr)
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
