#!/usr/bin/python3
"""Draws the images compiled into the application (app/resources.qrc).

The generated files are committed, so the build never runs this; run it again after changing a
drawing:  /usr/bin/python3 app/images/make_images.py   (Debian packages python3-pil, fonts-dejavu-core)

Every shape is drawn at SUPER times the final size and scaled down, which gives smooth edges
without an anti-aliasing renderer.
"""

import math
import os

from PIL import Image, ImageDraw, ImageFont

HERE = os.path.dirname(os.path.abspath(__file__))
SUPER = 8

KAVRO_BLUE = (31, 78, 140, 255)
KAVRO_BLUE_LIGHT = (70, 130, 200, 255)
AMBER = (245, 166, 35, 255)
GREEN = (46, 160, 67, 255)
GREEN_DARK = (30, 110, 45, 255)
WHITE = (255, 255, 255, 255)
OUTLINE = (60, 60, 60, 255)
# Background of the tab pages and of the window; the GIF has only one-bit transparency, so its
# soft edges are blended onto this grey.
PAGE_GREY = (240, 240, 240)

FONT_BOLD = "/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf"


def canvas(w, h):
    img = Image.new("RGBA", (w * SUPER, h * SUPER), (0, 0, 0, 0))
    return img, ImageDraw.Draw(img)


def finish(img, w, h):
    return img.resize((w, h), Image.LANCZOS)


def s(v):
    """Final-size pixels to supersampled pixels."""
    return int(round(v * SUPER))


def box(x0, y0, x1, y1):
    return [s(x0), s(y0), s(x1), s(y1)]


def poly(points):
    return [(s(x), s(y)) for x, y in points]


def save_png(img, name):
    img.save(os.path.join(HERE, name), optimize=True)


# --- LED indicator -------------------------------------------------------------------------

LED_SIZE = 20


def led(lit_color, brightness):
    """A round LED seen from above; brightness 0..1 blends from an unlit grey dome to lit_color."""
    img, d = canvas(LED_SIZE, LED_SIZE)
    off = (120, 120, 120)
    r, g, b = (int(off[i] + (lit_color[i] - off[i]) * brightness) for i in range(3))
    if brightness > 0.3:
        # halo around a lit LED
        halo = (lit_color[0], lit_color[1], lit_color[2], int(90 * brightness))
        d.ellipse(box(0.5, 0.5, 19.5, 19.5), fill=halo)
    d.ellipse(box(3, 3, 17, 17), fill=(70, 70, 70, 255))            # bezel
    d.ellipse(box(4.2, 4.2, 15.8, 15.8), fill=(r, g, b, 255))       # lens
    hl = int(150 + 105 * brightness)
    d.ellipse(box(6.5, 6, 10.5, 9.5), fill=(255, 255, 255, hl))     # reflection
    return finish(img, LED_SIZE, LED_SIZE)


def flatten_on_grey(rgba):
    base = Image.new("RGBA", rgba.size, PAGE_GREY + (255,))
    base.alpha_composite(rgba)
    return base.convert("RGB"), rgba.getchannel("A")


# The searching LED's pulse: its brightness frame by frame, each frame shown this long. Every frame
# wakes the program to repaint it, and the window may show two of them for hours, so the pulse has
# few, long frames. Qt lets a timer slip by up to 5 % towards a whole half second, so with frames
# of 500 ms both indicators and the 2 s detection polls come to share their wakeups.
DETECT_LEVELS = [0.0, 0.5, 1.0, 0.5]
DETECT_FRAME_MS = 500


def make_detect_gif():
    """Amber LED that pulses on and off while a tool or driver is being searched for."""
    levels = DETECT_LEVELS
    frames = []
    for lv in levels:
        rgb, alpha = flatten_on_grey(led(AMBER, lv))
        pal = rgb.quantize(colors=255, method=Image.MEDIANCUT, dither=Image.NONE)
        # index 255 marks fully transparent pixels so the LED sits on any background
        mask = alpha.point(lambda a: 255 if a < 8 else 0)
        pal.paste(255, mask=mask)
        frames.append(pal)
    frames[0].save(os.path.join(HERE, "detectLED.gif"), save_all=True,
                   append_images=frames[1:], duration=DETECT_FRAME_MS, loop=0,
                   transparency=255, disposal=2, optimize=False)


def make_connected_png():
    save_png(led(GREEN, 1.0), "connectedLED.png")


# --- toolbar icons (50 x 50) ---------------------------------------------------------------

ICON = 50


def make_play():
    img, d = canvas(ICON, ICON)
    d.ellipse(box(3, 3, 47, 47), fill=GREEN_DARK)
    d.ellipse(box(5, 5, 45, 45), fill=GREEN)
    d.polygon(poly([(19, 14), (19, 36), (37, 25)]), fill=WHITE)
    save_png(finish(img, ICON, ICON), "playIcon_50.png")


def down_arrow(d, cx, top, bottom, shaft_w, head_w, head_h, color):
    d.rectangle(box(cx - shaft_w / 2, top, cx + shaft_w / 2, bottom - head_h + 1), fill=color)
    d.polygon(poly([(cx - head_w / 2, bottom - head_h), (cx + head_w / 2, bottom - head_h),
                    (cx, bottom)]), fill=color)


def make_down():
    img, d = canvas(ICON, ICON)
    down_arrow(d, 25, 4, 38, 12, 32, 16, KAVRO_BLUE_LIGHT)
    d.rounded_rectangle(box(8, 41, 42, 46), radius=s(2), fill=KAVRO_BLUE)    # the tray it lands on
    save_png(finish(img, ICON, ICON), "down_50.png")


def make_save():
    img, d = canvas(ICON, ICON)
    body = [(5, 5), (40, 5), (45, 10), (45, 45), (5, 45)]
    d.polygon(poly(body), fill=KAVRO_BLUE)
    d.rectangle(box(13, 5, 36, 18), fill=(200, 205, 212, 255))                 # metal shutter
    d.rectangle(box(29, 7.5, 33, 15.5), fill=KAVRO_BLUE)                       # shutter window
    d.rounded_rectangle(box(10, 25, 40, 45), radius=s(2), fill=WHITE)          # label
    for y in (30, 35, 40):
        d.line(box(14, y, 36, y), fill=(170, 180, 195, 255), width=s(1.6))
    save_png(finish(img, ICON, ICON), "saveIcon_50.png")


def make_download():
    img, d = canvas(ICON, ICON)
    folder_back = (214, 160, 40, 255)
    folder_front = (246, 196, 70, 255)
    d.polygon(poly([(3, 14), (3, 44), (47, 44), (47, 17), (23, 17), (19, 12), (5, 12)]),
              fill=folder_back)
    d.polygon(poly([(3, 21), (47, 21), (47, 44), (3, 44)]), fill=folder_front)
    down_arrow(d, 25, 2, 38, 7, 20, 11, KAVRO_BLUE)
    save_png(finish(img, ICON, ICON), "downloadIcon_50.png")


def arc_arrow(d, cx, cy, r, start, end, width, color):
    """Arc from start to end degrees (clockwise, PIL convention) with an arrow head at end."""
    d.arc(box(cx - r, cy - r, cx + r, cy + r), start, end, fill=color, width=s(width))
    a = math.radians(end)
    px, py = cx + r * math.cos(a), cy + r * math.sin(a)
    tx, ty = -math.sin(a), math.cos(a)          # clockwise tangent
    nx, ny = math.cos(a), math.sin(a)           # outward normal
    head = width * 1.9
    tip = (px + tx * head * 1.1, py + ty * head * 1.1)
    left = (px + nx * head, py + ny * head)
    right = (px - nx * head, py - ny * head)
    d.polygon(poly([tip, left, right]), fill=color)


def make_refresh():
    img, d = canvas(ICON, ICON)
    arc_arrow(d, 25, 25, 16, 200, 330, 6, GREEN)
    arc_arrow(d, 25, 25, 16, 20, 150, 6, KAVRO_BLUE_LIGHT)
    save_png(finish(img, ICON, ICON), "refreshIcon_50.png")


def make_clear():
    img, d = canvas(ICON, ICON)
    # an eraser tilted 45 degrees, rubbing out a line
    cx, cy, a = 27, 22, math.radians(-45)

    def rot(x, y):
        return (cx + x * math.cos(a) - y * math.sin(a), cy + x * math.sin(a) + y * math.cos(a))

    d.polygon(poly([rot(-18, -8), rot(18, -8), rot(18, 8), rot(-18, 8)]), fill=OUTLINE)
    d.polygon(poly([rot(-16.5, -6.5), rot(1, -6.5), rot(1, 6.5), rot(-16.5, 6.5)]),
              fill=(236, 112, 140, 255))
    d.polygon(poly([rot(2.5, -6.5), rot(16.5, -6.5), rot(16.5, 6.5), rot(2.5, 6.5)]),
              fill=(120, 160, 220, 255))
    d.line(box(6, 45, 44, 45), fill=(150, 150, 150, 255), width=s(2.5))
    save_png(finish(img, ICON, ICON), "clearIcon.png")


def make_password():
    size = 40
    img, d = canvas(size, size)
    d.arc(box(11, 3, 29, 23), 180, 360, fill=(130, 130, 135, 255), width=s(4))
    d.rectangle(box(11, 12.5, 15, 18), fill=(130, 130, 135, 255))
    d.rectangle(box(25, 12.5, 29, 18), fill=(130, 130, 135, 255))
    d.rounded_rectangle(box(6, 17, 34, 38), radius=s(3), fill=AMBER)
    d.ellipse(box(17, 22, 23, 28), fill=(90, 60, 10, 255))
    d.polygon(poly([(18.6, 26), (21.4, 26), (22.2, 33), (17.8, 33)]), fill=(90, 60, 10, 255))
    save_png(finish(img, size, size), "passwordIcon.png")


# --- brand ---------------------------------------------------------------------------------

def emblem(d, x, y, size):
    """Kavro's emblem: a lit LED in a blue disc with four light rays."""
    c = size / 2
    d.ellipse(box(x, y, x + size, y + size), fill=KAVRO_BLUE)
    d.ellipse(box(x + size * 0.30, y + size * 0.30, x + size * 0.70, y + size * 0.70),
              fill=AMBER)
    for ang in (45, 135, 225, 315):
        a = math.radians(ang)
        r0, r1 = size * 0.27, size * 0.42
        d.line([(s(x + c + r0 * math.cos(a)), s(y + c + r0 * math.sin(a))),
                (s(x + c + r1 * math.cos(a)), s(y + c + r1 * math.sin(a)))],
               fill=WHITE, width=max(1, s(size * 0.07)))


def make_logo():
    w, h = 150, 46
    img, d = canvas(w, h)
    emblem(d, 2, 5, 36)
    word = ImageFont.truetype(FONT_BOLD, s(27))
    d.text((s(44), s(23)), "KAVRO", font=word, fill=KAVRO_BLUE, anchor="lm")
    save_png(finish(img, w, h), "kavroLogo_150.png")


def make_window_icon():
    images = []
    for size in (16, 24, 32, 48, 64, 256):
        img, d = canvas(size, size)
        emblem(d, 0, 0, size)
        images.append(finish(img, size, size))
    images[-1].save(os.path.join(HERE, "windowIcon.ico"), format="ICO",
                    sizes=[im.size for im in images], append_images=images[:-1])


def main():
    make_detect_gif()
    make_connected_png()
    make_play()
    make_down()
    make_save()
    make_download()
    make_refresh()
    make_clear()
    make_password()
    make_logo()
    make_window_icon()


if __name__ == "__main__":
    main()
