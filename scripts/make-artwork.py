#!/usr/bin/python3
"""Draws the downloader's artwork and writes it under res/:

  res/logo.gif          the header logo, GIF89a, 212 x 52
  res/product.jpg       the product picture (a signage display with content), baseline JPEG,
                        3 components, 190 x 130
  res/downloader.ico    the window icon: 48, 32 and 16 px, each at 4, 8 and 32 bits per pixel
  res/artwork_probes.json
                        flat colour areas at known places, so that a screenshot test can find
                        the logo and the picture where the window draws them

Everything is drawn from rectangles, polygons and ellipses (no fonts), so the output depends on
Pillow alone. Run it from anywhere: /usr/bin/python3 scripts/make-artwork.py
"""
import io
import json
import os
import struct

from PIL import Image, ImageDraw

RES = os.path.join(os.path.dirname(os.path.dirname(os.path.abspath(__file__))), "res")

# The palette of the brand. None of these is white or a light grey: the window paints white
# behind the logo and the classic dialog grey around the picture, and a probe must tell the art
# from both.
BLUE = (0, 82, 164)
NAVY = (22, 38, 88)
ORANGE = (245, 130, 32)
GREEN = (0, 158, 108)
YELLOW = (250, 200, 30)
RED = (214, 40, 52)
BEZEL = (36, 38, 48)
STAND = (84, 88, 100)
SKY = (196, 224, 244)
WHITE = (255, 255, 255)

# Where the window draws each image (client pixels: left, top, right, bottom). The logo is
# stretched from 52 to 55 rows; the picture is drawn at its own size.
LOGO_RECT = (10, 10, 222, 65)
PICTURE_RECT = (40, 90, 230, 220)


def draw_logo():
    """The mark (a blue tile with an orange play sign) and the word "kelq" in block letters, all
    left of x 170: from there on the window's status line covers the logo."""
    im = Image.new("RGB", (212, 52), WHITE)
    d = ImageDraw.Draw(im)
    d.rounded_rectangle((2, 2, 49, 49), radius=8, fill=BLUE)
    d.polygon([(18, 12), (18, 40), (40, 26)], fill=ORANGE)
    # k
    d.rectangle((56, 6, 63, 45), fill=NAVY)
    d.polygon([(64, 30), (78, 16), (88, 16), (70, 34)], fill=NAVY)
    d.polygon([(68, 30), (75, 25), (90, 45), (80, 45)], fill=NAVY)
    # e: a ring with a bar, open at the lower right
    d.ellipse((92, 15, 122, 45), fill=NAVY)
    d.ellipse((99, 22, 115, 38), fill=WHITE)
    d.rectangle((97, 28, 120, 32), fill=NAVY)
    d.polygon([(109, 33), (123, 33), (123, 40), (112, 38)], fill=WHITE)
    # l
    d.rectangle((127, 6, 134, 45), fill=NAVY)
    # q: a ring and a descender
    d.ellipse((139, 15, 169, 45), fill=NAVY)
    d.ellipse((146, 22, 162, 38), fill=WHITE)
    d.rectangle((162, 17, 169, 51), fill=NAVY)
    # The right quarter stays white: the window's status line and notice lie over it.
    return im


def draw_picture():
    """A signage display on its stand, showing a screen of content tiles."""
    im = Image.new("RGB", (190, 130), SKY)
    d = ImageDraw.Draw(im)
    d.polygon([(84, 106), (106, 106), (112, 119), (78, 119)], fill=STAND)
    d.rectangle((58, 119, 132, 125), fill=STAND)
    d.rounded_rectangle((12, 6, 177, 107), radius=5, fill=BEZEL)
    d.rectangle((20, 13, 169, 99), fill=BLUE)
    d.rectangle((28, 21, 92, 62), fill=ORANGE)
    d.rectangle((100, 21, 161, 41), fill=GREEN)
    d.rectangle((100, 46, 161, 62), fill=RED)
    d.rectangle((28, 69, 161, 75), fill=YELLOW)
    d.polygon([(48, 30), (48, 54), (70, 42)], fill=WHITE)
    d.ellipse((150, 102, 154, 106), fill=GREEN)
    return im


def draw_icon(size):
    """The icon at one size: a display with an orange play sign, on transparency."""
    s = size / 48.0
    im = Image.new("RGBA", (size, size), (0, 0, 0, 0))
    d = ImageDraw.Draw(im)

    def r(v):
        return int(round(v * s))

    d.rectangle((r(19), r(36), r(28), r(41)), fill=STAND + (255,))
    d.rectangle((r(12), r(41), r(35), r(44)) if size > 16 else (3, 14, 12, 15), fill=STAND + (255,))
    d.rectangle((r(2), r(5), size - 1 - r(2), r(36)), fill=BEZEL + (255,))
    d.rectangle((r(5), r(8), size - 1 - r(5), r(33)), fill=BLUE + (255,))
    d.polygon([(r(18), r(12)), (r(18), r(29)), (r(32), r(20.5))], fill=ORANGE + (255,))
    return im


def dib_icon_image(rgba, bpp):
    """One icon image as Windows keeps it: a BITMAPINFOHEADER with twice the height, the palette
    (4 and 8 bpp), the colour bits and the AND mask, rows bottom-up and padded to 4 bytes."""
    w, h = rgba.size
    alpha = rgba.getchannel("A")
    opaque = [[alpha.getpixel((x, y)) >= 128 for x in range(w)] for y in range(h)]
    header = struct.pack("<IiiHHIIiiII", 40, w, h * 2, 1, bpp, 0, 0, 0, 0, 0, 0)
    palette = b""
    colour_rows = []
    if bpp == 32:
        for y in range(h):
            row = b""
            for x in range(w):
                red, green, blue, a = rgba.getpixel((x, y))
                row += bytes((blue, green, red, a))
            colour_rows.append(row)
    else:
        ncolours = 1 << bpp
        flat = Image.new("RGB", (w, h), (0, 0, 0))
        flat.paste(rgba.convert("RGB"), mask=alpha)
        # An exact palette of the few colours drawn; transparent pixels are black under the mask.
        pal_img = flat.quantize(colors=ncolours, method=Image.Quantize.MEDIANCUT, dither=0)
        pal = pal_img.getpalette()[: ncolours * 3]
        pal += [0] * (ncolours * 3 - len(pal))
        for i in range(ncolours):
            palette += bytes((pal[i * 3 + 2], pal[i * 3 + 1], pal[i * 3], 0))
        for y in range(h):
            idx = [pal_img.getpixel((x, y)) for x in range(w)]
            if bpp == 8:
                row = bytes(idx)
            else:
                row = bytes(((idx[x] << 4) | (idx[x + 1] if x + 1 < w else 0)) for x in range(0, w, 2))
            colour_rows.append(row + b"\0" * ((-len(row)) % 4))
    mask_rows = []
    for y in range(h):
        bits = bytearray((w + 7) // 8)
        for x in range(w):
            if not opaque[y][x]:
                bits[x // 8] |= 0x80 >> (x % 8)
        mask_rows.append(bytes(bits) + b"\0" * ((-len(bits)) % 4))
    return header + palette + b"".join(reversed(colour_rows)) + b"".join(reversed(mask_rows))


def write_ico(path, images):
    """images: (size, bpp, data) in directory order."""
    out = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    blobs = b""
    for size, bpp, data in images:
        colours = 16 if bpp == 4 else 0
        out += struct.pack("<BBBBHHII", size, size, colours, 0, 1, bpp, len(data), offset)
        offset += len(data)
        blobs += data
    with open(path, "wb") as f:
        f.write(out + blobs)


def probe(name, x, y, colour, tolerance, rect, size):
    """A probe point: its place in the image, the client pixel where the window shows it, the
    colour there and the largest per-channel difference a screenshot may show."""
    left, top, right, bottom = rect
    sx = left + (x * (right - left)) // size[0]
    sy = top + (y * (bottom - top)) // size[1]
    return {"name": name, "image": [x, y], "client": [sx, sy], "rgb": list(colour),
            "tolerance": tolerance}


def main():
    logo = draw_logo()
    buf = io.BytesIO()
    # Exact colours: a palette of the few colours drawn, no dithering. The comment makes Pillow
    # write the GIF89a header.
    logo.quantize(colors=16, method=Image.Quantize.MEDIANCUT, dither=0).save(
        buf, "GIF", comment=b"kelq", optimize=False)
    gif = buf.getvalue()
    assert gif[:6] == b"GIF89a"

    picture = draw_picture()
    buf = io.BytesIO()
    picture.save(buf, "JPEG", quality=88, progressive=False, optimize=True, subsampling=0)
    jpg = buf.getvalue()

    with open(os.path.join(RES, "logo.gif"), "wb") as f:
        f.write(gif)
    with open(os.path.join(RES, "product.jpg"), "wb") as f:
        f.write(jpg)

    images = []
    for bpp in (4, 8, 32):
        for size in (48, 32, 16):
            images.append((size, bpp, dib_icon_image(draw_icon(size), bpp)))
    write_ico(os.path.join(RES, "downloader.ico"), images)

    logo_size, pic_size = logo.size, picture.size
    # Probe places sit well inside flat areas (the logo is stretched, the JPEG blurs edges) and
    # clear of the window's controls that paint over the art: the status line and the notice on
    # the right of the header band, the news text on the right of the picture.
    probes = {
        "logo": {
            "resource": 11,
            "size": list(logo_size),
            "client_rect": list(LOGO_RECT),
            "points": [
                probe("mark", 8, 26, BLUE, 0, LOGO_RECT, logo_size),
                probe("play", 25, 26, ORANGE, 0, LOGO_RECT, logo_size),
                probe("letter_k", 59, 12, NAVY, 0, LOGO_RECT, logo_size),
                probe("letter_l", 130, 38, NAVY, 0, LOGO_RECT, logo_size),
            ],
        },
        "picture": {
            "resource": 100,
            "size": list(pic_size),
            "client_rect": list(PICTURE_RECT),
            "points": [
                probe("tile_orange", 36, 54, ORANGE, 40, PICTURE_RECT, pic_size),
                probe("tile_green", 130, 31, GREEN, 40, PICTURE_RECT, pic_size),
                probe("tile_red", 130, 54, RED, 40, PICTURE_RECT, pic_size),
                probe("screen", 95, 88, BLUE, 40, PICTURE_RECT, pic_size),
                probe("bezel", 95, 103, BEZEL, 40, PICTURE_RECT, pic_size),
            ],
        },
    }
    # Each probe is checked against the decoded file, as the window will show it.
    decoded = {11: Image.open(io.BytesIO(gif)).convert("RGB"),
               100: Image.open(io.BytesIO(jpg)).convert("RGB")}
    for group in probes.values():
        img = decoded[group["resource"]]
        for p in group["points"]:
            got = img.getpixel(tuple(p["image"]))
            worst = max(abs(a - b) for a, b in zip(got, p["rgb"]))
            assert worst <= p["tolerance"] // 2, (p["name"], got, p["rgb"])
    # One probe a line, each complete in itself (its resource included): a test can read the
    # file line by line without a JSON library.
    lines = []
    for key, group in probes.items():
        points = ",\n".join(
            "      " + json.dumps(dict(p, resource=group["resource"]), ensure_ascii=False)
            for p in group["points"])
        head = {k: v for k, v in group.items() if k != "points"}
        lines.append('  "%s": {\n%s,\n    "points": [\n%s\n    ]\n  }'
                     % (key, ",\n".join("    %s: %s" % (json.dumps(k), json.dumps(v))
                                        for k, v in head.items()), points))
    text = "{\n" + ",\n".join(lines) + "\n}\n"
    assert json.loads(text) is not None
    with open(os.path.join(RES, "artwork_probes.json"), "w") as f:
        f.write(text)

    for name in ("logo.gif", "product.jpg", "downloader.ico"):
        print("%-16s %6d bytes" % (name, os.path.getsize(os.path.join(RES, name))))


if __name__ == "__main__":
    main()
