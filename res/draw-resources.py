#!/usr/bin/env python3
"""Draws the program's icons and bitmaps with ImageMagick and the warning sound with sox.

The outputs are committed, so building needs neither tool; run this script again (from any
folder) after changing a drawing. Icons are drawn at eight times their size and scaled down,
which gives clean anti-aliased edges at 32 and 16 pixels.

Every image is drawn for four display scales, 100, 125, 150 and 200 %: "options.ico" at 100 %
(32 and 16 pixels), "options-150.ico" at 150 % (48 and 24), and so on; the program shows the one
nearest to its window's DPI. Each size is the 100 % size scaled as the program scales its
layout, rounded to the nearest pixel with halves up (the 50 x 12 "Subject:" label is 63 x 15 at
125 %).
"""
import math
import os
import subprocess
import tempfile

HERE = os.path.dirname(os.path.abspath(__file__))
CONVERT = "/usr/bin/convert"  # ImageMagick's own, not a wrapper earlier on the PATH
SCALE = 8
FONT = "DejaVu-Sans-Bold"
DISPLAY_SCALES = (100, 125, 150, 200)  # percent


def scaled(pixels, percent):
    """A size in pixels at 100 %, at percent: rounded to the nearest pixel, halves up."""
    return (pixels * percent + 50) // 100


def number(value):
    """A coordinate or size as ImageMagick reads it: "31", "1.5", "11.875"."""
    return f"{value:g}"


def scaled_name(name, percent):
    """The file of an image drawn at percent: the 100 % name with "-percent" before its ending."""
    if percent == 100:
        return name
    stem, ending = os.path.splitext(name)
    return f"{stem}-{percent}{ending}"


def run(*arguments):
    subprocess.run(arguments, check=True)


def gear_points(cx, cy, outer, inner, teeth):
    """A gear outline: teeth alternate between the outer and inner radius."""
    points = []
    for i in range(teeth * 4):
        angle = 2 * math.pi * i / (teeth * 4) - math.pi / 2
        radius = outer if i % 4 in (1, 2) else inner
        points.append(f"{cx + radius * math.cos(angle):.1f},{cy + radius * math.sin(angle):.1f}")
    return " ".join(points)


def drawing(name, size):
    """ImageMagick drawing arguments for one icon face, on a canvas of size x size."""
    s = size / 32.0  # every coordinate below is on a 32-unit grid
    def p(v):
        return f"{v * s:.1f}"
    if name == "app":
        return [
            # a phone body with a screen showing an envelope
            "-fill", "#2f3b52", "-stroke", "#1b2333", "-strokewidth", p(1),
            "-draw", f"roundrectangle {p(8)},{p(1.5)} {p(24)},{p(30.5)} {p(3)},{p(3)}",
            "-fill", "#dff0ff", "-stroke", "none",
            "-draw", f"rectangle {p(10)},{p(5)} {p(22)},{p(24)}",
            "-fill", "#ffffff", "-stroke", "#e07a10", "-strokewidth", p(1.2),
            "-draw", f"rectangle {p(11)},{p(10)} {p(21)},{p(18)}",
            "-fill", "none",
            "-draw", f"polyline {p(11)},{p(10)} {p(16)},{p(14.5)} {p(21)},{p(10)}",
            "-fill", "#8aa0c0", "-stroke", "none",
            "-draw", f"circle {p(16)},{p(27)} {p(17.4)},{p(27)}",
        ]
    if name == "options":
        c = 16 * s
        return [
            "-fill", "#6b7686", "-stroke", "#3d4450", "-strokewidth", p(1),
            "-draw", "polygon " + gear_points(c, c, 14 * s, 10.5 * s, 8),
            "-fill", "#f2f4f7", "-stroke", "#3d4450",
            "-draw", f"circle {p(16)},{p(16)} {p(20.5)},{p(16)}",
        ]
    if name == "log":
        return [
            # a sheet with a folded corner and lines of text
            "-fill", "#ffffff", "-stroke", "#4a5568", "-strokewidth", p(1.2),
            "-draw", f"polygon {p(7)},{p(2)} {p(20)},{p(2)} {p(26)},{p(8)} {p(26)},{p(30)} {p(7)},{p(30)}",
            "-fill", "#d6dbe3",
            "-draw", f"polygon {p(20)},{p(2)} {p(20)},{p(8)} {p(26)},{p(8)}",
            "-stroke", "#2b6cb0", "-strokewidth", p(1.6), "-fill", "none",
            "-draw", f"line {p(10)},{p(13)} {p(23)},{p(13)}",
            "-draw", f"line {p(10)},{p(18)} {p(23)},{p(18)}",
            "-draw", f"line {p(10)},{p(23)} {p(19)},{p(23)}",
        ]
    if name == "send":
        return [
            # an envelope
            "-fill", "#fff8e6", "-stroke", "#8a5a00", "-strokewidth", p(1.2),
            "-draw", f"rectangle {p(2.5)},{p(7)} {p(29.5)},{p(25)}",
            "-fill", "#ffe3a3",
            "-draw", f"polygon {p(2.5)},{p(7)} {p(16)},{p(18)} {p(29.5)},{p(7)}",
            "-fill", "none",
            "-draw", f"polyline {p(2.5)},{p(25)} {p(12)},{p(15)}",
            "-draw", f"polyline {p(29.5)},{p(25)} {p(20)},{p(15)}",
        ]
    if name == "exit":
        return [
            # the power symbol: an open ring and a bar
            "-fill", "none", "-stroke", "#c53030", "-strokewidth", p(3.2),
            "-draw", f"arc {p(5)},{p(6)} {p(27)},{p(28)} 300,240",
            "-draw", f"line {p(16)},{p(2.5)} {p(16)},{p(15)}",
        ]
    raise ValueError(name)


def icon(name, output, work, percent):
    images = []
    for size in (scaled(32, percent), scaled(16, percent)):
        big = size * SCALE
        png = os.path.join(work, f"{name}{size}.png")
        run(CONVERT, "-size", f"{big}x{big}", "xc:none", *drawing(name, big),
            "-resize", f"{size}x{size}", png)
        images.append(png)
    run(CONVERT, *images, os.path.join(HERE, output))


def subject_label(colour, output, percent):
    # 8 bits with a colour table, so that the program's transparent loading can replace the
    # background colour (the first pixel) with the window colour.
    size = f"{scaled(50, percent)}x{scaled(12, percent)}"
    run(CONVERT, "-size", size, "xc:#ffffff", "-font", FONT,
        "-pointsize", number(9.5 * percent / 100), "-fill", colour, "-gravity", "west",
        "-annotate", f"+{scaled(1, percent)}+0", "Subject:",
        "-type", "Palette", "-colors", "64", f"BMP3:{os.path.join(HERE, output)}")


def help_face(output, percent):
    width, height = scaled(32, percent), scaled(16, percent)
    line = scaled(1, percent)
    # ImageMagick's pixel centres lie on whole coordinates: a stroke line pixels wide covers
    # whole pixels when its centre lies (line - 1) / 2 inside them.
    edge = (line - 1) / 2
    far_x, far_y = width - 1 - edge, height - 1 - edge
    inner = line + edge  # the white inner edge, just inside the frame
    run(CONVERT, "-size", f"{width}x{height}", "xc:#e8eef7", "-strokewidth", number(line),
        "-fill", "none", "-stroke", "#5a6b85",
        "-draw", f"rectangle {number(edge)},{number(edge)} {number(far_x)},{number(far_y)}",
        "-stroke", "#ffffff",
        "-draw", f"line {number(inner)},{number(inner)} {number(far_x - line)},{number(inner)}",
        "-draw", f"line {number(inner)},{number(inner)} {number(inner)},{number(far_y - line)}",
        "-stroke", "none", "-font", FONT, "-pointsize", number(9 * percent / 100),
        "-fill", "#1f4e99", "-gravity", "center", "-annotate", "+0+0", "Help",
        "-type", "TrueColor", f"BMP3:{os.path.join(HERE, output)}")


def warning_sound(output):
    # A short, soft two-tone buzz that falls away: heard clearly, never harsh.
    run("sox", "-n", "-r", "22050", "-b", "16", "-c", "1", os.path.join(HERE, output),
        "synth", "0.32", "sawtooth", "233", "sawtooth", "349",
        "lowpass", "1400", "fade", "h", "0.01", "0.32", "0.16", "gain", "-n", "-6")


def main():
    for percent in DISPLAY_SCALES:
        with tempfile.TemporaryDirectory() as work:
            for name, output in (("app", "velmor.ico"), ("options", "options.ico"),
                                 ("log", "log.ico"), ("send", "send.ico"), ("exit", "exit.ico")):
                icon(name, scaled_name(output, percent), work, percent)
        subject_label("#5b3fd6", scaled_name("subject-below.bmp", percent), percent)  # blue-violet
        subject_label("#f07800", scaled_name("subject-at.bmp", percent), percent)     # orange
        help_face(scaled_name("help.bmp", percent), percent)
    warning_sound("buu.wav")


if __name__ == "__main__":
    main()
