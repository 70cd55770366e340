#!/usr/bin/python3
"""Draws every picture of the editor and a contact sheet for reviewing them.

Run:  /usr/bin/python3 resources/generate.py      (needs Debian's python3-cairo and the
      fonts-urw-base35 and fonts-dejavu-core fonts)

Writes resources/png/resource_<Class>_<name>.png (embedded by CMake) and
resources/contact-sheet.png. The output is deterministic: textures come from fixed seeds and
the PNGs carry no time stamps, so a re-run gives the same bytes.

Everything is drawn in the editor's own pixel units (the panel is 300 x 549) and stored at twice
that size; the knob pictures are 166 pixels for a drawn 84. Legend positions are computed from
the control bounds of the main panel below, so the printing lines up with the widgets.
"""

import math
import os
import random

import cairo

HERE = os.path.dirname(os.path.abspath(__file__))
PNG_DIR = os.path.join(HERE, "png")
SHEET = os.path.join(HERE, "contact-sheet.png")

# ---- Panel geometry (drawn pixels) -----------------------------------------------------------

PANEL_W, PANEL_H, PLATE_H = 300, 549, 525
KNOBS = {  # name: (x, y, w, h), label, scale texts
    "input": ((13, 67, 84, 84), "INPUT"),
    "output": ((13, 169, 84, 84), "OUTPUT"),
    "mix": ((13, 337, 84, 84), "MIX"),
    "contAttack": ((183, 67, 84, 84), "CONT ATTACK"),
    "contRelease": ((183, 170, 84, 84), "CONT RELEASE"),
    "stereoLink": ((183, 337, 84, 84), "STEREO LINK"),
}
SWITCHES = {
    "attack": (6, 279, 40, 47),
    "release": (67, 279, 40, 47),
    "ratio": (51, 433, 40, 47),
    "hpf": (98, 433, 40, 47),
}
BUTTONS = {
    "green": (0, 429, 60, 60),
    "yellow": (197, 260, 60, 60),
    "blue": (165, 429, 60, 60),
    "red": (229, 429, 60, 60),
}
METER_X = 114
METER_YS = [74, 89, 105, 121, 137, 152, 168, 184, 200, 215, 231, 247, 263, 278,
            293, 309, 325, 340, 356, 372]
IN_LED = (114, 404)
LED_SIZE = 17
MONO_COVER = (150, 323, 150, 175)
ABOUT_BOUNDS = (10, 124, 280, 300)

KNOB_SWEEP_DEG = 148.5
KNOB_BODY_R = 27.0          # skirt radius, drawn pixels
SCALE_TICK_R = (30.0, 33.5)
SCALE_TEXT_R = 39.0

# Lever positions inside the 40 x 47 switch (drawn pixels, relative to the switch's top left).
SW_CX, SW_CY = 20.0, 23.5
SW_TIP_TOP, SW_TIP_BOTTOM = 6.5, 40.5

# ---- Colours --------------------------------------------------------------------------------

PLATE_TOP = (0.185, 0.190, 0.200)
PLATE_BOTTOM = (0.140, 0.143, 0.150)
INK = (0.925, 0.905, 0.860)          # printed legends
INK_DIM = (0.765, 0.755, 0.725)      # scale figures and position legends
ACCENT = (0.910, 0.560, 0.160)       # model name, pointer accents
LED_COLOURS = {
    "green": ((0.55, 1.00, 0.45), (0.20, 0.85, 0.20), (0.07, 0.16, 0.07)),
    "yellow": ((1.00, 0.95, 0.55), (1.00, 0.72, 0.05), (0.18, 0.15, 0.05)),
}
BUTTON_COLOURS = {  # lit centre, lit edge, unlit centre, unlit edge
    "green": ((0.70, 1.00, 0.62), (0.10, 0.78, 0.22), (0.16, 0.30, 0.17), (0.06, 0.14, 0.07)),
    "yellow": ((1.00, 0.97, 0.66), (1.00, 0.72, 0.00), (0.33, 0.29, 0.12), (0.15, 0.13, 0.05)),
    "blue": ((0.66, 0.88, 1.00), (0.05, 0.45, 1.00), (0.13, 0.21, 0.33), (0.05, 0.08, 0.15)),
    "red": ((1.00, 0.70, 0.60), (0.95, 0.12, 0.08), (0.33, 0.13, 0.12), (0.15, 0.05, 0.05)),
}

SANS_NARROW = "Nimbus Sans Narrow"
SANS = "Nimbus Sans"


# ---- Helpers --------------------------------------------------------------------------------

def new_surface(w, h, alpha=True):
    return cairo.ImageSurface(cairo.FORMAT_ARGB32 if alpha else cairo.FORMAT_RGB24, w, h)


def new_context(surface, scale=1.0):
    cr = cairo.Context(surface)
    cr.scale(scale, scale)
    fo = cairo.FontOptions()
    fo.set_antialias(cairo.ANTIALIAS_GRAY)
    fo.set_hint_style(cairo.HINT_STYLE_NONE)
    fo.set_hint_metrics(cairo.HINT_METRICS_OFF)
    cr.set_font_options(fo)
    return cr


def save(surface, name):
    """Writes a picture; cairo stores an ARGB surface without any transparent pixel as RGB, so
    the colour type is checked against the surface's format."""
    surface.flush()
    path = os.path.join(PNG_DIR, "resource_%s.png" % name)
    surface.write_to_png(path)
    with open(path, "rb") as f:
        colour_type = f.read(26)[25]
    wanted = 6 if surface.get_format() == cairo.FORMAT_ARGB32 else 2
    assert colour_type == wanted, "%s: PNG colour type %d" % (name, colour_type)


def rgb(cr, c, a=1.0):
    cr.set_source_rgba(c[0], c[1], c[2], a)


def mix(a, b, t):
    return tuple(a[i] + (b[i] - a[i]) * t for i in range(3))


def text_width(cr, text, size, bold=True, family=SANS_NARROW, spacing=0.0):
    cr.select_font_face(family, cairo.FONT_SLANT_NORMAL,
                        cairo.FONT_WEIGHT_BOLD if bold else cairo.FONT_WEIGHT_NORMAL)
    cr.set_font_size(size)
    return sum(cr.text_extents(ch).x_advance for ch in text) + spacing * (len(text) - 1)


def draw_text(cr, text, x, y, size, colour=INK, align="center", bold=True, family=SANS_NARROW,
              spacing=0.0, alpha=1.0, valign="baseline"):
    """Draws text with its baseline at y (or its cap height centred on y for valign='middle')."""
    w = text_width(cr, text, size, bold, family, spacing)
    if align == "center":
        x -= w / 2
    elif align == "right":
        x -= w
    if valign == "middle":
        cap = cr.text_extents("H").height
        y += cap / 2
    rgb(cr, colour, alpha)
    for ch in text:
        cr.move_to(x, y)
        cr.show_text(ch)
        x += cr.text_extents(ch).x_advance + spacing
    cr.new_path()


def circle(cr, x, y, r):
    cr.new_sub_path()
    cr.arc(x, y, r, 0, 2 * math.pi)


def rounded_rect(cr, x, y, w, h, r):
    cr.new_sub_path()
    cr.arc(x + w - r, y + r, r, -math.pi / 2, 0)
    cr.arc(x + w - r, y + h - r, r, 0, math.pi / 2)
    cr.arc(x + r, y + h - r, r, math.pi / 2, math.pi)
    cr.arc(x + r, y + r, r, math.pi, 1.5 * math.pi)
    cr.close_path()


def radial(cx, cy, r0, r1, stops, fx=None, fy=None):
    p = cairo.RadialGradient(cx if fx is None else fx, cy if fy is None else fy, r0, cx, cy, r1)
    for s in stops:
        p.add_color_stop_rgba(*s)
    return p


def linear(x0, y0, x1, y1, stops):
    p = cairo.LinearGradient(x0, y0, x1, y1)
    for s in stops:
        p.add_color_stop_rgba(*s)
    return p


def noise_surface(w, h, seed, amount):
    """Fine grain: each pixel a touch lighter or darker (premultiplied white or black)."""
    rnd = random.Random(seed)
    data = bytearray(w * h * 4)
    for i in range(w * h):
        n = rnd.gauss(0.0, 1.0)
        a = min(255, int(abs(n) * amount))
        v = a if n > 0 else 0
        data[4 * i:4 * i + 4] = bytes((v, v, v, a))
    return cairo.ImageSurface.create_for_data(data, cairo.FORMAT_ARGB32, w, h, w * 4)


def soft_shadow(cr, x, y, r, spread, alpha):
    cr.set_source(radial(x, y, max(0.0, r - spread * 0.3), r + spread,
                         [(0, 0, 0, 0, alpha), (1, 0, 0, 0, 0)]))
    circle(cr, x, y, r + spread)
    cr.fill()


# ---- Front plate ----------------------------------------------------------------------------

def plate_texture(cr, x, y, w, h, seed):
    """The bare powder-coated plate of one half: colour, grain, mottling and edge bevel."""
    cr.save()
    cr.rectangle(x, y, w, h)
    cr.clip()
    cr.set_source(linear(0, y, 0, y + h, [(0, *PLATE_TOP, 1), (1, *PLATE_BOTTOM, 1)]))
    cr.paint()
    # Slow mottling: a coarse noise field stretched smooth.
    mott = noise_surface(int(w / 10) + 2, int(h / 10) + 2, seed + 1, 60)
    cr.save()
    cr.translate(x, y)
    cr.scale(10, 10)
    pat = cairo.SurfacePattern(mott)
    pat.set_filter(cairo.FILTER_BILINEAR)
    cr.set_source(pat)
    cr.paint_with_alpha(0.07)
    cr.restore()
    # Fine grain at the stored resolution (the context is scaled by 2).
    grain = noise_surface(int(w * 2), int(h * 2), seed, 30)
    cr.save()
    cr.translate(x, y)
    cr.scale(0.5, 0.5)
    pat = cairo.SurfacePattern(grain)
    pat.set_filter(cairo.FILTER_NEAREST)
    cr.set_source(pat)
    cr.paint_with_alpha(0.30)
    cr.restore()
    # Machined edges: light on top and left, dark on bottom and right.
    cr.set_line_width(1.0)
    cr.set_source_rgba(1, 1, 1, 0.10)
    cr.move_to(x + 0.5, y + h)
    cr.line_to(x + 0.5, y + 0.5)
    cr.line_to(x + w, y + 0.5)
    cr.stroke()
    cr.set_source_rgba(0, 0, 0, 0.55)
    cr.move_to(x + w - 0.5, y)
    cr.line_to(x + w - 0.5, y + h - 0.5)
    cr.line_to(x, y + h - 0.5)
    cr.stroke()
    cr.restore()


def screw(cr, x, y, angle):
    soft_shadow(cr, x + 0.3, y + 0.6, 3.4, 1.2, 0.6)
    cr.set_source(radial(x, y, 0, 3.4, [(0, 0.72, 0.72, 0.74, 1), (0.8, 0.46, 0.46, 0.48, 1),
                                       (1, 0.25, 0.25, 0.27, 1)], x - 1.0, y - 1.2))
    circle(cr, x, y, 3.4)
    cr.fill()
    cr.save()
    cr.translate(x, y)
    cr.rotate(angle)
    cr.set_source_rgba(0.08, 0.08, 0.09, 0.9)
    cr.rectangle(-2.6, -0.45, 5.2, 0.9)
    cr.rectangle(-0.45, -2.6, 0.9, 5.2)
    cr.fill()
    cr.restore()


def knob_centre(name):
    x, y, w, h = KNOBS[name][0]
    return x + w / 2.0, y + h / 2.0


def knob_scale(cr, name, labels):
    cx, cy = knob_centre(name)
    n = len(labels)
    for i, text in enumerate(labels):
        a = math.radians(-KNOB_SWEEP_DEG + 2 * KNOB_SWEEP_DEG * i / (n - 1))
        sx, sy = math.sin(a), -math.cos(a)
        major = text != ""
        r0, r1 = SCALE_TICK_R if major else (SCALE_TICK_R[0], SCALE_TICK_R[1] - 1.6)
        rgb(cr, INK_DIM if major else INK_DIM, 0.95 if major else 0.75)
        cr.set_line_width(1.0 if major else 0.75)
        cr.set_line_cap(cairo.LINE_CAP_BUTT)
        cr.move_to(cx + sx * r0, cy + sy * r0)
        cr.line_to(cx + sx * r1, cy + sy * r1)
        cr.stroke()
        if major:
            size = 6.3
            w = text_width(cr, text, size, bold=True, family=SANS_NARROW)
            # Pull wide figures in along the radius so their outer edge sits on a circle.
            r = SCALE_TEXT_R + abs(sx) * (w / 2 - 1.8)
            draw_text(cr, text, cx + sx * r, cy + sy * r, size, INK_DIM, bold=True,
                      valign="middle")
    # The arc joining the ticks.
    rgb(cr, INK_DIM, 0.45)
    cr.set_line_width(0.6)
    a0 = math.radians(-90 - KNOB_SWEEP_DEG)
    a1 = math.radians(-90 + KNOB_SWEEP_DEG)
    cr.arc(cx, cy, SCALE_TICK_R[0], a0, a1)
    cr.stroke()


def knob_label(cr, name, dy=0.0):
    (x, y, w, h), label = KNOBS[name]
    draw_text(cr, label, x + w / 2.0, y - 3.2 + dy, 7.6, INK, spacing=0.55)


def led_socket(cr, x, y, colour):
    """An unlit LED lens in its bezel; the lit picture is drawn over it by the meter."""
    cx, cy = x + LED_SIZE / 2.0, y + LED_SIZE / 2.0
    soft_shadow(cr, cx, cy + 0.4, 5.6, 1.2, 0.7)
    cr.set_source(linear(cx, cy - 5.6, cx, cy + 5.6, [(0, 0.45, 0.45, 0.47, 1),
                                                     (1, 0.12, 0.12, 0.13, 1)]))
    circle(cr, cx, cy, 5.6)
    cr.fill()
    dark = LED_COLOURS[colour][2]
    cr.set_source(radial(cx, cy, 0, 4.4, [(0, *mix(dark, (0.5, 0.5, 0.5), 0.15), 1),
                                         (1, *mix(dark, (0, 0, 0), 0.5), 1)], cx - 1, cy - 1))
    circle(cr, cx, cy, 4.4)
    cr.fill()
    cr.set_source_rgba(1, 1, 1, 0.22)
    circle(cr, cx - 1.4, cy - 1.6, 1.1)
    cr.fill()


def switch_legends(cr, x, y, texts, tx, align):
    """Position legends for a switch at (x, y): texts for top, middle, bottom."""
    ys = (y + SW_TIP_TOP, y + SW_CY, y + SW_TIP_BOTTOM)
    for t, ly in zip(texts, ys):
        draw_text(cr, t, tx, ly, 6.5, INK_DIM, align=align, bold=True, valign="middle")


def legend_dash(cr, x0, x1, y):
    rgb(cr, INK_DIM, 0.6)
    cr.set_line_width(0.7)
    cr.move_to(x0, y)
    cr.line_to(x1, y)
    cr.stroke()


def button_label(cr, name, text, y=None, dx=0.0):
    x, by, w, h = BUTTONS[name]
    draw_text(cr, text, x + w / 2.0 + dx, 494.0 if y is None else y, 7.0, INK, spacing=0.5)


def draw_plate(cr, legends=True):
    """Both halves of the front plate, in drawn pixels (0..300 x 0..525)."""
    plate_texture(cr, 0, 0, 150, PLATE_H, 11)
    plate_texture(cr, 150, 0, 150, PLATE_H, 23)
    for i, (sx, sy) in enumerate([(7, 7), (143, 7), (7, 518), (143, 518),
                                  (157, 7), (293, 7), (157, 518), (293, 518)]):
        screw(cr, sx, sy, 0.35 + i * 0.61)
    if not legends:
        return

    # Maker and model in the upper About hot spot (x 0..150, y 8..56).
    draw_text(cr, "NORRHAVEN", 75, 20.5, 6.2, INK_DIM, spacing=2.2, bold=True)
    draw_text(cr, "Q4-300", 75, 43.5, 21.0, ACCENT, family=SANS, bold=True, spacing=0.4)
    rgb(cr, INK_DIM, 0.5)
    cr.set_line_width(0.6)
    for x0, x1 in ((22, 44), (106, 128)):
        cr.move_to(x0, 17.8)
        cr.line_to(x1, 17.8)
    cr.stroke()
    draw_text(cr, "STEREO COMPRESSOR", 225, 20.5, 6.2, INK_DIM, spacing=1.3)
    # The maker's mark: the O drawn as a knob, as in the About card's logo.
    word_w = text_width(cr, "RVIK", 15.0, True, SANS, 2.6)
    left = 225 - (15.0 + 3.0 + word_w) / 2
    orvik_mark(cr, left + 7.5, 36.2, 8.0, INK, ACCENT)
    draw_text(cr, "RVIK", left + 18.0, 41.5, 15.0, INK, align="left", family=SANS, spacing=2.6)

    # Knobs: labels above, scales around.
    ten = [str(i) for i in range(11)]
    for name in ("input", "output", "mix", "contAttack", "contRelease"):
        knob_scale(cr, name, ten)
        knob_label(cr, name)
    knob_scale(cr, "stereoLink", [str(i * 10) for i in range(11)])
    knob_label(cr, "stereoLink")

    # Attack and release share one column of position legends between them.
    ax = SWITCHES["attack"][0] + SW_CX
    rx = SWITCHES["release"][0] + SW_CX
    sy = SWITCHES["attack"][1]
    draw_text(cr, "ATTACK", ax, sy - 3.5, 7.6, INK, spacing=0.55)
    draw_text(cr, "RELEASE", rx, sy - 3.5, 7.6, INK, spacing=0.55)
    mid = (ax + rx) / 2.0
    switch_legends(cr, 0, sy, ("Slow", "Medium", "Fast"), mid, "center")
    for ly in (sy + SW_TIP_TOP, sy + SW_CY, sy + SW_TIP_BOTTOM):
        legend_dash(cr, ax + 11.5, ax + 14.5, ly)
        legend_dash(cr, rx - 14.5, rx - 11.5, ly)

    # Ratio and side-chain filter: legends to the right of each lever, names below.
    for name, texts, label in (("ratio", ("100:1", "12:1", "4:1"), "RATIO"),
                               ("hpf", ("300Hz", "100Hz", "OFF"), "SC HPF")):
        x, y, w, h = SWITCHES[name]
        cx = x + SW_CX
        switch_legends(cr, x, y, texts, cx + 12.5, "left")
        draw_text(cr, label, cx, 494.0, 7.0, INK, spacing=0.5)

    # Gain-reduction meter: sockets, figures 1..20 dB, In LED.
    strip_x, strip_y0, strip_y1 = METER_X + 1.5, METER_YS[0] - 2.5, METER_YS[-1] + LED_SIZE + 2.5
    rounded_rect(cr, strip_x, strip_y0, LED_SIZE - 3.0, strip_y1 - strip_y0, 3.0)
    cr.set_source_rgba(0, 0, 0, 0.38)
    cr.fill_preserve()
    cr.set_source(linear(0, strip_y0, 0, strip_y1, [(0, 0, 0, 0, 0.7), (1, 1, 1, 1, 0.10)]))
    cr.set_line_width(0.7)
    cr.stroke()
    for k, y in enumerate(METER_YS):
        led_socket(cr, METER_X, y, "green" if k < 14 else "yellow")
        draw_text(cr, str(k + 1), METER_X + LED_SIZE + 2.5, y + LED_SIZE / 2.0, 5.9,
                  INK_DIM, align="left", bold=True, valign="middle")
    draw_text(cr, "GR dB", METER_X + LED_SIZE / 2.0 + 5, METER_YS[0] - 3.0, 5.8, INK,
              spacing=0.3)
    led_socket(cr, IN_LED[0], IN_LED[1], "green")
    draw_text(cr, "IN", IN_LED[0] + LED_SIZE + 2.5, IN_LED[1] + LED_SIZE / 2.0, 6.6, INK,
              align="left", valign="middle")

    # Lit buttons.
    button_label(cr, "green", "ACTIVE")
    button_label(cr, "blue", "LINK")
    button_label(cr, "red", "ANALOG")
    yx, yy, yw, yh = BUTTONS["yellow"]
    draw_text(cr, "CONTINUOUS", yx + 8.0, yy + yh / 2.0, 7.0, INK, align="right",
              spacing=0.5, valign="middle")


def render_plate(legends=True):
    s = new_surface(PANEL_W * 2, PLATE_H * 2)
    cr = new_context(s, 2.0)
    draw_plate(cr, legends)
    return s


def crop(src, x, y, w, h, alpha):
    out = new_surface(w, h, alpha)
    cr = cairo.Context(out)
    cr.set_source_surface(src, -x, -y)
    cr.paint()
    return out


# ---- Mono cover -----------------------------------------------------------------------------

def draw_mono_cover():
    x0, y0, w, h = MONO_COVER
    bare = render_plate(legends=False)
    s = new_surface(w * 2, h * 2)
    cr = new_context(s, 2.0)
    # A blanking plate in the plate's own finish, inset a little so its edge reads.
    inset = 3.0
    cr.save()
    rounded_rect(cr, inset, inset, w - 2 * inset, h - 2 * inset, 3.0)
    cr.clip()
    cr.save()
    cr.scale(0.5, 0.5)
    cr.set_source_surface(bare, -2 * x0, -2 * (y0 - 180))  # another stretch of the grain
    cr.paint()
    cr.restore()
    cr.set_source(linear(0, 0, 0, h, [(0, 1, 1, 1, 0.025), (1, 0, 0, 0, 0.06)]))
    cr.paint()
    cr.restore()
    # Soft drop shadow outside, bevel inside.
    for i in range(3):
        cr.set_source_rgba(0, 0, 0, 0.22 - i * 0.06)
        cr.set_line_width(1.0)
        rounded_rect(cr, inset - 0.5 - i, inset - 0.5 - i + 0.6, w - 2 * inset + 1 + 2 * i,
                     h - 2 * inset + 1 + 2 * i, 3.0 + i)
        cr.stroke()
    cr.set_line_width(0.8)
    cr.set_source_rgba(1, 1, 1, 0.13)
    rounded_rect(cr, inset + 0.4, inset + 0.4, w - 2 * inset - 0.8, h - 2 * inset - 0.8, 2.6)
    cr.stroke()
    for sx, sy in ((inset + 7, inset + 7), (w - inset - 7, inset + 7), (inset + 7, h - inset - 7)):
        screw(cr, sx, sy, 1.1 + sx * 0.01)
    # The discreet marking, centred on where the stereo controls would be.
    kx, ky = knob_centre("stereoLink")
    draw_text(cr, "MONO", kx - x0, ky - y0 + 1, 9.0, INK_DIM, spacing=3.0, alpha=0.55)
    rgb(cr, INK_DIM, 0.35)
    cr.set_line_width(0.7)
    cr.move_to(kx - x0 - 26, ky - y0 + 7)
    cr.line_to(kx - x0 + 26, ky - y0 + 7)
    cr.stroke()
    # The red button stays visible over the cover, so its legend is printed here too.
    cr.save()
    cr.translate(-x0, -y0)
    button_label(cr, "red", "ANALOG")
    cr.restore()
    return s


# ---- LEDs -----------------------------------------------------------------------------------

def draw_led(colour):
    hot, body, _ = LED_COLOURS[colour]
    s = new_surface(34, 34)
    cr = new_context(s, 2.0)
    c = 8.5
    cr.set_source(radial(c, c, 2.0, 8.5, [(0, *body, 0.55), (0.55, *body, 0.16), (1, *body, 0)]))
    cr.paint()
    cr.set_source(radial(c, c, 0, 4.5, [(0, *hot, 1), (0.55, *mix(hot, body, 0.6), 1),
                                       (1, *mix(body, (0, 0, 0), 0.25), 1)], c - 0.6, c - 0.8))
    circle(cr, c, c, 4.5)
    cr.fill()
    cr.set_source_rgba(1, 1, 1, 0.55)
    circle(cr, c - 1.4, c - 1.6, 1.0)
    cr.fill()
    return s


# ---- Lit push buttons -----------------------------------------------------------------------

def draw_button(colour, lit):
    hot, edge, dim_hot, dim_edge = BUTTON_COLOURS[colour]
    s = new_surface(120, 120)
    cr = new_context(s, 2.0)
    c = 30.0
    bezel_r, cap_r = 19.5, 15.0
    if lit:
        cr.set_source(radial(c, c, cap_r - 2, 29.5, [(0, *edge, 0.50), (0.45, *edge, 0.14),
                                                    (1, *edge, 0)]))
        cr.paint()
    soft_shadow(cr, c, c + 1.4, bezel_r, 3.0, 0.75)
    # Bezel: a turned metal ring.
    cr.set_source(linear(c, c - bezel_r, c, c + bezel_r, [(0, 0.62, 0.62, 0.64, 1),
                                                         (0.5, 0.28, 0.28, 0.30, 1),
                                                         (1, 0.10, 0.10, 0.11, 1)]))
    circle(cr, c, c, bezel_r)
    cr.fill()
    cr.set_source(linear(c, c - bezel_r, c, c + bezel_r, [(0, 0.08, 0.08, 0.09, 1),
                                                         (1, 0.32, 0.32, 0.34, 1)]))
    circle(cr, c, c, bezel_r - 2.2)
    cr.fill()
    cr.set_source_rgba(0, 0, 0, 0.9)
    circle(cr, c, c, cap_r + 1.0)
    cr.fill()
    # The translucent cap.
    if lit:
        cr.set_source(radial(c, c, 0, cap_r, [(0, *hot, 1), (0.45, *mix(hot, edge, 0.55), 1),
                                             (1, *mix(edge, (0, 0, 0), 0.15), 1)], c, c - 2))
    else:
        cr.set_source(radial(c, c, 0, cap_r, [(0, *dim_hot, 1), (1, *dim_edge, 1)], c, c - 4))
    circle(cr, c, c, cap_r)
    cr.fill()
    # Frosted rim and a soft reflection from above.
    cr.set_line_width(1.0)
    cr.set_source_rgba(1, 1, 1, 0.20 if lit else 0.10)
    circle(cr, c, c, cap_r - 0.5)
    cr.stroke()
    cr.save()
    circle(cr, c, c, cap_r - 1.0)
    cr.clip()
    cr.set_source(linear(c, c - cap_r, c, c, [(0, 1, 1, 1, 0.45 if lit else 0.16),
                                             (1, 1, 1, 1, 0)]))
    cr.scale(1.0, 0.62)
    circle(cr, c, (c - 6.2) / 0.62, cap_r - 3.0)
    cr.fill()
    cr.restore()
    return s


# ---- Lever switch ---------------------------------------------------------------------------

def switch_surface():
    s = new_surface(80, 94)
    return s, new_context(s, 2.0)


def draw_switch_base():
    s, cr = switch_surface()
    cx, cy = SW_CX, SW_CY
    soft_shadow(cr, cx + 0.4, cy + 1.2, 10.0, 2.5, 0.7)
    # Washer.
    cr.set_source(linear(cx - 10, cy - 10, cx + 10, cy + 10, [(0, 0.80, 0.80, 0.82, 1),
                                                             (0.5, 0.48, 0.48, 0.50, 1),
                                                             (1, 0.22, 0.22, 0.24, 1)]))
    circle(cr, cx, cy, 10.0)
    cr.fill()
    cr.set_source_rgba(0, 0, 0, 0.35)
    cr.set_line_width(0.6)
    circle(cr, cx, cy, 9.7)
    cr.stroke()
    # Hex nut: each facet shaded by its facing.
    r = 7.6
    pts = [(cx + r * math.cos(math.radians(30 + 60 * i)),
            cy + r * math.sin(math.radians(30 + 60 * i))) for i in range(6)]
    for i in range(6):
        p0, p1 = pts[i], pts[(i + 1) % 6]
        mid_angle = math.radians(60 + 60 * i)
        light = 0.50 + 0.32 * math.cos(mid_angle + math.radians(135))
        cr.set_source_rgba(light, light, light * 1.02, 1)
        cr.move_to(cx, cy)
        cr.line_to(*p0)
        cr.line_to(*p1)
        cr.close_path()
        cr.fill()
    cr.set_source(radial(cx, cy, 0, 5.4, [(0, 0.78, 0.78, 0.80, 1), (1, 0.52, 0.52, 0.55, 1)],
                         cx - 1.5, cy - 1.5))
    circle(cr, cx, cy, 5.4)
    cr.fill()
    # Bushing hole.
    cr.set_source(radial(cx, cy, 0, 3.4, [(0, 0.02, 0.02, 0.02, 1), (1, 0.18, 0.18, 0.19, 1)]))
    circle(cr, cx, cy, 3.4)
    cr.fill()
    return s


def draw_lever(tip_y):
    s, cr = switch_surface()
    cx, cy = SW_CX, SW_CY
    if tip_y is None:
        # Lever pointing at the viewer: only its rounded end shows.
        soft_shadow(cr, cx + 0.6, cy + 1.2, 4.2, 1.6, 0.6)
        cr.set_source(radial(cx, cy, 0, 4.4, [(0, 0.98, 0.98, 1.0, 1), (0.5, 0.70, 0.70, 0.72, 1),
                                             (1, 0.30, 0.30, 0.32, 1)], cx - 1.3, cy - 1.5))
        circle(cr, cx, cy, 4.4)
        cr.fill()
        return s
    # Shadow of the bat on the plate, falling down and right.
    cr.save()
    cr.translate(1.3, 1.8)
    cr.set_source_rgba(0, 0, 0, 0.35)
    cr.set_line_cap(cairo.LINE_CAP_ROUND)
    cr.set_line_width(4.8)
    cr.move_to(cx, cy)
    cr.line_to(cx, tip_y)
    cr.stroke()
    cr.restore()
    # Tapered bat: wide at the bushing, narrow towards the tip.
    w0, w1 = 2.6, 1.6
    cr.move_to(cx - w0, cy)
    cr.line_to(cx - w1, tip_y)
    cr.line_to(cx + w1, tip_y)
    cr.line_to(cx + w0, cy)
    cr.close_path()
    cr.set_source(linear(cx - w0, 0, cx + w0, 0, [(0, 0.38, 0.38, 0.40, 1), (0.35, 0.95, 0.95, 0.97, 1),
                                                 (0.6, 0.70, 0.70, 0.72, 1), (1, 0.28, 0.28, 0.30, 1)]))
    cr.fill()
    # Collar at the bushing.
    cr.set_source(radial(cx, cy, 0, 3.3, [(0, 0.85, 0.85, 0.87, 1), (1, 0.40, 0.40, 0.42, 1)],
                         cx - 1, cy - 1))
    circle(cr, cx, cy, 3.0)
    cr.fill()
    # Ball tip.
    cr.set_source(radial(cx, tip_y, 0, 3.1, [(0, 1.0, 1.0, 1.0, 1), (0.45, 0.78, 0.78, 0.80, 1),
                                            (1, 0.30, 0.30, 0.32, 1)], cx - 1.0, tip_y - 1.0))
    circle(cr, cx, tip_y, 3.1)
    cr.fill()
    return s


# ---- Knob -----------------------------------------------------------------------------------

KNOB_STORED = 166
KNOB_SCALE = KNOB_STORED / 84.0


def knob_surface():
    s = new_surface(KNOB_STORED, KNOB_STORED)
    return s, new_context(s, KNOB_SCALE)


def draw_knob_back():
    s, cr = knob_surface()
    c = 42.0
    soft_shadow(cr, c + 0.5, c + 2.0, KNOB_BODY_R, 3.5, 0.8)
    # Skirt: a dark machined collar with a bright rim.
    cr.set_source(linear(c, c - KNOB_BODY_R, c, c + KNOB_BODY_R, [(0, 0.36, 0.36, 0.38, 1),
                                                                 (0.5, 0.15, 0.15, 0.16, 1),
                                                                 (1, 0.06, 0.06, 0.07, 1)]))
    circle(cr, c, c, KNOB_BODY_R)
    cr.fill()
    cr.set_source(linear(c, c - KNOB_BODY_R, c, c + KNOB_BODY_R, [(0, 0.08, 0.08, 0.09, 1),
                                                                 (1, 0.22, 0.22, 0.23, 1)]))
    circle(cr, c, c, KNOB_BODY_R - 1.6)
    cr.fill()
    return s


def draw_knob_mid():
    s, cr = knob_surface()
    c = 42.0
    cap_r = KNOB_BODY_R - 2.6
    # Knurled grip: fine ridges around the edge, turning with the cap.
    cr.set_source_rgba(0.03, 0.03, 0.035, 1)
    circle(cr, c, c, cap_r)
    cr.fill()
    ridges = 60
    for i in range(ridges):
        a = 2 * math.pi * i / ridges
        cr.set_source_rgba(1, 1, 1, 0.10)
        cr.set_line_width(0.55)
        cr.move_to(c + math.sin(a) * (cap_r - 3.0), c - math.cos(a) * (cap_r - 3.0))
        cr.line_to(c + math.sin(a) * (cap_r - 0.3), c - math.cos(a) * (cap_r - 0.3))
        cr.stroke()
    # Flat top.
    top_r = cap_r - 3.6
    cr.set_source(radial(c, c, 0, top_r, [(0, 0.17, 0.17, 0.18, 1), (0.85, 0.12, 0.12, 0.13, 1),
                                         (1, 0.07, 0.07, 0.08, 1)]))
    circle(cr, c, c, top_r)
    cr.fill()
    # Spun-metal rings on the top, concentric so they look alike at any angle.
    for i in range(9):
        rr = 2.0 + i * (top_r - 3.0) / 8
        cr.set_source_rgba(1, 1, 1, 0.025)
        cr.set_line_width(0.5)
        circle(cr, c, c, rr)
        cr.stroke()
    # Pointer: a cream line from near the centre right out through the grip.
    cr.set_line_cap(cairo.LINE_CAP_ROUND)
    cr.set_source_rgba(0, 0, 0, 0.6)
    cr.set_line_width(3.4)
    cr.move_to(c, c - 6.0)
    cr.line_to(c, c - cap_r + 1.4)
    cr.stroke()
    rgb(cr, (0.98, 0.96, 0.90))
    cr.set_line_width(2.1)
    cr.move_to(c, c - 6.0)
    cr.line_to(c, c - cap_r + 1.4)
    cr.stroke()
    return s


def draw_knob_top():
    s, cr = knob_surface()
    c = 42.0
    cap_r = KNOB_BODY_R - 2.6
    # Light from above: a soft sheen on the upper half and a bright edge along the top.
    cr.save()
    circle(cr, c, c, cap_r)
    cr.clip()
    cr.set_source(linear(c, c - cap_r, c, c + cap_r, [(0, 1, 1, 1, 0.16), (0.5, 1, 1, 1, 0.03),
                                                     (1, 0, 0, 0, 0.18)]))
    cr.paint()
    cr.restore()
    cr.set_line_width(0.9)
    cr.set_source(linear(c, c - cap_r, c, c + cap_r, [(0, 1, 1, 1, 0.45), (0.5, 1, 1, 1, 0.0),
                                                     (1, 1, 1, 1, 0.0)]))
    circle(cr, c, c, cap_r - 0.45)
    cr.stroke()
    top_r = cap_r - 3.6
    cr.set_line_width(0.7)
    cr.set_source(linear(c, c - top_r, c, c + top_r, [(0, 0, 0, 0, 0.5), (1, 1, 1, 1, 0.22)]))
    circle(cr, c, c, top_r)
    cr.stroke()
    return s


# ---- About card -----------------------------------------------------------------------------

def draw_about_background():
    w, h = 280, 300
    s = new_surface(w * 2, h * 2)
    cr = new_context(s, 2.0)
    # The card is clipped to corners of 20 pixels; outside them the picture is transparent.
    rounded_rect(cr, 0, 0, w, h, 20)
    cr.clip()
    cr.set_source(linear(0, 0, 0, h, [(0, 0.255, 0.260, 0.272, 1), (1, 0.150, 0.153, 0.160, 1)]))
    cr.paint()
    grain = noise_surface(w * 2, h * 2, 41, 26)
    cr.save()
    cr.scale(0.5, 0.5)
    cr.set_source_surface(grain)
    cr.paint_with_alpha(0.5)
    cr.restore()
    # Accent rule under the title and hairlines framing the credits.
    cr.set_source(linear(40, 0, 240, 0, [(0, *ACCENT, 0), (0.5, *ACCENT, 0.9), (1, *ACCENT, 0)]))
    cr.rectangle(40, 51, 200, 1.0)
    cr.fill()
    cr.set_source_rgba(1, 1, 1, 0.08)
    cr.rectangle(131, 62, 0.8, 184)
    cr.fill()
    cr.set_source(linear(24, 0, 256, 0, [(0, 1, 1, 1, 0), (0.5, 1, 1, 1, 0.12), (1, 1, 1, 1, 0)]))
    cr.rectangle(24, 262, 232, 0.8)
    cr.fill()
    # A faint outline of a knob scale as a watermark behind the logos.
    cr.set_source_rgba(1, 1, 1, 0.035)
    cr.set_line_width(1.2)
    cx, cy = 66, 158
    for i in range(11):
        a = math.radians(-KNOB_SWEEP_DEG + 29.7 * i)
        cr.move_to(cx + math.sin(a) * 52, cy - math.cos(a) * 52)
        cr.line_to(cx + math.sin(a) * 58, cy - math.cos(a) * 58)
    cr.stroke()
    cr.set_line_width(1.0)
    cr.arc(cx, cy, 49, math.radians(-90 - KNOB_SWEEP_DEG), math.radians(-90 + KNOB_SWEEP_DEG))
    cr.stroke()
    # Inner edge so the card reads as a raised panel inside its rounded clip.
    cr.set_source(linear(0, 0, 0, h, [(0, 1, 1, 1, 0.28), (1, 1, 1, 1, 0.08)]))
    cr.set_line_width(1.0)
    rounded_rect(cr, 0.5, 0.5, w - 1, h - 1, 20)
    cr.stroke()
    return s


def norrhaven_mark(cr, cx, cy, r, colour, alpha=1.0):
    """Vendor mark: a ring holding three waves over a harbour line."""
    rgb(cr, colour, alpha)
    cr.set_line_width(r * 0.16)
    circle(cr, cx, cy, r * 0.92)
    cr.stroke()
    cr.save()
    circle(cr, cx, cy, r * 0.80)
    cr.clip()
    cr.set_line_width(r * 0.15)
    cr.set_line_cap(cairo.LINE_CAP_ROUND)
    for k, dy in enumerate((-0.30, 0.05, 0.40)):
        y = cy + dy * r
        cr.move_to(cx - r, y)
        steps = 24
        for i in range(steps + 1):
            x = cx - r + 2 * r * i / steps
            cr.line_to(x, y + math.sin(i / steps * 2 * math.pi * 1.5 + k) * r * 0.10)
        cr.stroke()
    cr.restore()


def draw_nrv_logo():
    s = new_surface(180, 72)
    cr = new_context(s, 2.0)
    norrhaven_mark(cr, 15.0, 18.0, 12.0, INK)
    draw_text(cr, "NORRHAVEN", 31.0, 20.5, 8.4, INK, align="left", family=SANS, spacing=0.35)
    draw_text(cr, "AUDIO SOFTWARE", 31.3, 28.9, 5.6, INK_DIM, align="left", spacing=0.55)
    return s


def orvik_mark(cr, cx, cy, r, ring, pointer):
    """Maker mark: an O drawn as a knob seen from above, its pointer at two o'clock."""
    rgb(cr, ring)
    cr.set_line_width(r * 0.30)
    circle(cr, cx, cy, r * 0.82)
    cr.stroke()
    a = math.radians(50)
    rgb(cr, pointer)
    cr.set_line_width(r * 0.22)
    cr.set_line_cap(cairo.LINE_CAP_ROUND)
    cr.move_to(cx + math.sin(a) * r * 0.15, cy - math.cos(a) * r * 0.15)
    cr.line_to(cx + math.sin(a) * r * 0.62, cy - math.cos(a) * r * 0.62)
    cr.stroke()


def draw_orvik_logo():
    s = new_surface(276, 64)
    cr = new_context(s, 2.0)
    orvik_mark(cr, 18.0, 16.0, 12.0, INK, ACCENT)
    draw_text(cr, "RVIK", 30.0, 24.5, 21.0, INK, align="left", family=SANS, spacing=1.5)
    x = 30.0 + text_width(cr, "RVIK", 21.0, True, SANS, 1.5) + 5.0
    draw_text(cr, "PLUGINS", x, 24.2, 6.4, ACCENT, align="left", spacing=1.3)
    return s


# ---- Toolbar --------------------------------------------------------------------------------

def draw_toolbar_logo(pressed):
    s = new_surface(228, 48, alpha=False)
    cr = new_context(s, 2.0)
    cr.set_source_rgb(0, 0, 0)
    cr.paint()
    if pressed:
        cr.set_source_rgba(1, 1, 1, 0.13)
        rounded_rect(cr, 2.5, 2.5, 109, 19, 4)
        cr.fill()
    ink = (1.0, 1.0, 1.0) if pressed else (0.78, 0.78, 0.78)
    norrhaven_mark(cr, 14.0, 12.0, 7.4, ACCENT if pressed else ink)
    draw_text(cr, "NORRHAVEN", 26.0, 15.6, 8.6, ink, align="left", family=SANS, spacing=0.9)
    return s


def draw_toolbar_menu(pressed):
    s = new_surface(48, 48, alpha=False)
    cr = new_context(s, 2.0)
    cr.set_source_rgb(0, 0, 0)
    cr.paint()
    if pressed:
        cr.set_source_rgba(1, 1, 1, 0.13)
        rounded_rect(cr, 2.5, 2.5, 19, 19, 4)
        cr.fill()
    ink = (1.0, 1.0, 1.0) if pressed else (0.78, 0.78, 0.78)
    rgb(cr, ink)
    for y in (7.5, 12.0, 16.5):
        rounded_rect(cr, 6.0, y - 0.9, 12.0, 1.8, 0.9)
        cr.fill()
    return s


# ---- Contact sheet --------------------------------------------------------------------------

def paint_scaled(cr, img, x, y, w, h, angle=0.0):
    """Draws a stored picture into (x, y, w, h), optionally rotated about its centre."""
    cr.save()
    cr.translate(x + w / 2.0, y + h / 2.0)
    cr.rotate(angle)
    cr.translate(-w / 2.0, -h / 2.0)
    cr.scale(w / img.get_width(), h / img.get_height())
    cr.set_source_surface(img, 0, 0)
    cr.get_source().set_filter(cairo.FILTER_GOOD)
    cr.paint()
    cr.restore()


def knob_angle(value):
    return math.radians(-KNOB_SWEEP_DEG + 2 * KNOB_SWEEP_DEG * value)


def compose_panel(cr, imgs, x0, y0, state):
    """The whole editor at drawn size, with every control at its bounds."""
    cr.save()
    cr.translate(x0, y0)
    cr.set_source_rgb(1, 1, 1)
    cr.rectangle(0, 0, PANEL_W, PANEL_H)
    cr.fill()
    paint_scaled(cr, imgs["TarskUI_back"], 0, 0, 150, PLATE_H)
    paint_scaled(cr, imgs["TarskUI_backSide"], 150, 0, 150, PLATE_H)
    mono = state.get("mono", False)
    if mono:
        paint_scaled(cr, imgs["TarskUI_side_mono_block"], *MONO_COVER)
    for name, value in state["knobs"].items():
        if mono and name == "stereoLink":
            continue
        b = KNOBS[name][0]
        paint_scaled(cr, imgs["OrvikKnob_back"], *b)
        paint_scaled(cr, imgs["OrvikKnob_mid"], *b, angle=knob_angle(value))
        paint_scaled(cr, imgs["OrvikKnob_top"], *b)
    for name, value in state["switches"].items():
        b = SWITCHES[name]
        paint_scaled(cr, imgs["OrvikSwitch_switchBase"], *b)
        lever = "Bottom" if value < 1 / 3 else "Top" if value > 2 / 3 else "Mid"
        paint_scaled(cr, imgs["OrvikSwitch_switch" + lever], *b)
    lit = state["meter"]
    for k, y in enumerate(METER_YS):
        if k < lit:
            paint_scaled(cr, imgs["TarskUI_greenLed" if k < 14 else "TarskUI_yellowLed"],
                         METER_X, y, LED_SIZE, LED_SIZE)
    cr.push_group()
    paint_scaled(cr, imgs["TarskUI_greenLed"], IN_LED[0], IN_LED[1], LED_SIZE, LED_SIZE)
    cr.pop_group_to_source()
    cr.paint_with_alpha(1.0 if state["buttons"]["green"] else 8 / 255.0)
    for name, on in state["buttons"].items():
        if mono and name == "blue":
            continue
        cls = "Orvik%sButton_%sButton%s" % (name.capitalize(), name, "On" if on else "Off")
        paint_scaled(cr, imgs[cls], *BUTTONS[name])
    if state.get("about"):
        ax, ay, aw, ah = ABOUT_BOUNDS
        cr.save()
        cr.translate(ax, ay)
        rounded_rect(cr, 0, 0, aw, ah, 20)
        cr.clip()
        cr.set_source_rgb(0x45 / 255.0, 0x45 / 255.0, 0x45 / 255.0)
        cr.paint()
        paint_scaled(cr, imgs["About_aboutBackground"], 0, 0, aw, ah)
        paint_scaled(cr, imgs["About_nrvlogo"], 29, 81, 90, 36)
        paint_scaled(cr, imgs["About_orvikAudioLogo"], 5, 177, 138, 32)
        # Stand-ins for the card's labels (drawn by the framework at run time).
        for text, x, y, col, bold in (("Q4-300 v. 1.2.0", 65, 40, 0xae, False),
                                      ("Norrhaven DSP", 136, 72, 0xff, True),
                                      ("Orvik Design", 136, 168, 0xff, True)):
            cr.select_font_face(SANS, cairo.FONT_SLANT_NORMAL,
                                cairo.FONT_WEIGHT_BOLD if bold else cairo.FONT_WEIGHT_NORMAL)
            cr.set_font_size(13)
            cr.set_source_rgb(col / 255.0, col / 255.0, col / 255.0)
            cr.move_to(x + 3, y)
            cr.show_text(text)
        for lines, y in ((("Programming", "Graphics", "Circuit modeling"), 95),
                         (("Concept", "Design", "Test, Tuning"), 191)):
            cr.select_font_face(SANS, cairo.FONT_SLANT_NORMAL, cairo.FONT_WEIGHT_NORMAL)
            for i, t in enumerate(lines):
                cr.set_source_rgb(0xae / 255.0, 0xae / 255.0, 0xae / 255.0)
                cr.move_to(147, y + i * 16)
                cr.show_text(t)
        cr.set_source_rgba(1, 1, 1, 0.8)
        cr.move_to(70, 289)
        cr.show_text("http://orvik.example/")
        cr.restore()
    # Toolbar: black ground, logo at the left, menu icon at the right.
    cr.set_source_rgb(0, 0, 0)
    cr.rectangle(0, PLATE_H, PANEL_W, 24)
    cr.fill()
    paint_scaled(cr, imgs["QZBar_qzbar_nhlogo"], 0, PLATE_H, 114, 24)
    paint_scaled(cr, imgs["QZBar_qzbar_menu"], PANEL_W - 24, PLATE_H, 24, 24)
    cr.restore()


def contact_sheet(imgs):
    W, H = 1900, 1240
    s = new_surface(W, H, alpha=False)
    cr = new_context(s)
    cr.set_source_rgb(0.55, 0.56, 0.58)
    cr.paint()

    def caption(text, x, y):
        draw_text(cr, text, x, y, 11, (0.05, 0.05, 0.05), align="left", bold=False, family=SANS)

    default = {
        "knobs": {"input": 0.3, "output": 0.3, "mix": 1.0, "contAttack": 0.5,
                  "contRelease": 0.5, "stereoLink": 0.5},
        "switches": {"attack": 1.0, "release": 0.0, "ratio": 0.0, "hpf": 0.0},
        "buttons": {"green": True, "yellow": False, "blue": False, "red": True},
        "meter": 0,
    }
    busy = {
        "knobs": {"input": 0.62, "output": 0.45, "mix": 0.8, "contAttack": 0.2,
                  "contRelease": 0.85, "stereoLink": 1.0},
        "switches": {"attack": 0.5, "release": 1.0, "ratio": 0.5, "hpf": 1.0},
        "buttons": {"green": True, "yellow": True, "blue": True, "red": True},
        "meter": 17,
    }
    mono = dict(default, mono=True, meter=6,
                buttons={"green": False, "yellow": False, "blue": False, "red": False})
    about = dict(default, about=True)
    y = 30
    for i, (title, st) in enumerate((("defaults (stereo)", default), ("all lit, 17 dB GR", busy),
                                     ("mono, bypassed", mono), ("About shown", about))):
        x = 20 + i * 320
        caption(title + " - drawn size", x, y - 10)
        compose_panel(cr, imgs, x, y, st)

    # Widgets at twice the drawn size (the stored resolution).
    x0 = 1300
    caption("knob at 0, 0.5, 1 (stored size)", x0, 20)
    for i, v in enumerate((0.0, 0.5, 1.0)):
        cr.set_source_rgb(0.16, 0.165, 0.175)
        cr.rectangle(x0 + i * 180, 28, 170, 170)
        cr.fill()
        for layer in ("back", "mid", "top"):
            paint_scaled(cr, imgs["OrvikKnob_" + layer], x0 + i * 180 + 2, 30, 166, 166,
                         knob_angle(v) if layer == "mid" else 0.0)
    caption("switch base, lever bottom / mid / top, and base alone", x0, 222)
    for i, lever in enumerate(("Bottom", "Mid", "Top", None)):
        cr.set_source_rgb(0.16, 0.165, 0.175)
        cr.rectangle(x0 + i * 100, 230, 90, 104)
        cr.fill()
        paint_scaled(cr, imgs["OrvikSwitch_switchBase"], x0 + i * 100 + 5, 235, 80, 94)
        if lever:
            paint_scaled(cr, imgs["OrvikSwitch_switch" + lever], x0 + i * 100 + 5, 235, 80, 94)
    caption("buttons unlit / lit", x0, 358)
    for i, name in enumerate(("green", "yellow", "blue", "red")):
        for j, on in enumerate((False, True)):
            bx = x0 + j * 130 + (i % 2) * 280
            by = 366 + (i // 2) * 130
            cr.set_source_rgb(0.16, 0.165, 0.175)
            cr.rectangle(bx, by, 124, 124)
            cr.fill()
            cls = "Orvik%sButton_%sButton%s" % (name.capitalize(), name, "On" if on else "Off")
            paint_scaled(cr, imgs[cls], bx + 2, by + 2, 120, 120)
    caption("LEDs (stored)", x0, 640)
    for i, name in enumerate(("greenLed", "yellowLed")):
        cr.set_source_rgb(0.16, 0.165, 0.175)
        cr.rectangle(x0 + i * 50, 648, 44, 44)
        cr.fill()
        paint_scaled(cr, imgs["TarskUI_" + name], x0 + i * 50 + 5, 653, 34, 34)
    caption("toolbar logo / pressed, menu / pressed", x0 + 120, 640)
    paint_scaled(cr, imgs["QZBar_qzbar_nhlogo"], x0 + 120, 648, 228, 48)
    paint_scaled(cr, imgs["QZBar_qzbar_nhlogo_on"], x0 + 120, 700, 228, 48)
    paint_scaled(cr, imgs["QZBar_qzbar_menu"], x0 + 360, 648, 48, 48)
    paint_scaled(cr, imgs["QZBar_qzbar_menu_on"], x0 + 360, 700, 48, 48)
    caption("About logos (stored size) and mono cover (drawn size)", x0, 770)
    cr.set_source_rgb(0.27, 0.27, 0.27)
    cr.rectangle(x0, 778, 290, 160)
    cr.fill()
    paint_scaled(cr, imgs["About_nrvlogo"], x0 + 5, 783, 180, 72)
    paint_scaled(cr, imgs["About_orvikAudioLogo"], x0 + 5, 865, 276, 64)
    paint_scaled(cr, imgs["TarskUI_side_mono_block"], x0 + 320, 778, 150, 175)
    caption("front plate, top-left quarter at stored size", 20, 620)
    cr.save()
    cr.rectangle(20, 628, 1260, 600)
    cr.clip()
    paint_scaled(cr, imgs["TarskUI_back"], 20, 628, 300, 1050)
    paint_scaled(cr, imgs["TarskUI_backSide"], 320, 628, 300, 1050)
    # The same area with the widgets, enlarged 2x, for checking the legends against them.
    cr.translate(660, 628)
    cr.scale(2, 2)
    compose_panel(cr, imgs, 0, 0, default)
    cr.restore()
    return s


# ---- Main -----------------------------------------------------------------------------------

def main():
    os.makedirs(PNG_DIR, exist_ok=True)
    plate = render_plate()
    imgs = {
        "TarskUI_back": crop(plate, 0, 0, 300, 1050, alpha=False),
        "TarskUI_backSide": crop(plate, 300, 0, 300, 1050, alpha=False),
        "TarskUI_side_mono_block": draw_mono_cover(),
        "TarskUI_greenLed": draw_led("green"),
        "TarskUI_yellowLed": draw_led("yellow"),
        "OrvikSwitch_switchBase": draw_switch_base(),
        "OrvikSwitch_switchBottom": draw_lever(SW_TIP_BOTTOM),
        "OrvikSwitch_switchTop": draw_lever(SW_TIP_TOP),
        "OrvikSwitch_switchMid": draw_lever(None),
        "OrvikKnob_back": draw_knob_back(),
        "OrvikKnob_mid": draw_knob_mid(),
        "OrvikKnob_top": draw_knob_top(),
        "About_aboutBackground": draw_about_background(),
        "About_nrvlogo": draw_nrv_logo(),
        "About_orvikAudioLogo": draw_orvik_logo(),
        "QZBar_qzbar_nhlogo": draw_toolbar_logo(False),
        "QZBar_qzbar_nhlogo_on": draw_toolbar_logo(True),
        "QZBar_qzbar_menu": draw_toolbar_menu(False),
        "QZBar_qzbar_menu_on": draw_toolbar_menu(True),
    }
    for colour in ("green", "yellow", "blue", "red"):
        cls = "Orvik%sButton_%sButton" % (colour.capitalize(), colour)
        imgs[cls + "Off"] = draw_button(colour, False)
        imgs[cls + "On"] = draw_button(colour, True)
    assert len(imgs) == 27
    for name, surf in sorted(imgs.items()):
        save(surf, name)
    contact_sheet(imgs).write_to_png(SHEET)


if __name__ == "__main__":
    main()
