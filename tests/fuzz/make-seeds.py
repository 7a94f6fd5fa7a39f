#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""Writes the fuzz targets' seed corpora into tests/fuzz/corpus/: tiny files,
valid and damaged, that start each target off inside every branch of its
reader instead of guessing headers from nothing. Only Python's standard
library, so that anyone can remake them: tests/fuzz/make-seeds.py"""

import pathlib
import struct
import zlib

CORPUS = pathlib.Path(__file__).resolve().parent / "corpus"


def le16(value):
    return struct.pack("<H", value & 0xFFFF)


def le32(value):
    return struct.pack("<I", value & 0xFFFFFFFF)


def be16(value):
    return struct.pack(">H", value & 0xFFFF)


def be32(value):
    return struct.pack(">I", value & 0xFFFFFFFF)


# --- BMP -------------------------------------------------------------------

def pixel_rows(width, height, bits):
    """Rows of bytes that are never all alike, padded to whole 32-bit words."""
    pitch = (width * bits + 31) // 32 * 4
    used = (width * bits + 7) // 8
    return b"".join(bytes((1 + x + 7 * y) % 251 for x in range(used)) + bytes(pitch - used)
                    for y in range(height))


def bmp(width, height, bits=24, header=40, compression=0, colours=0, top_down=False, gap=0, pixels=None):
    """A BMP under the Windows info header or a later one (52, 56, 108, 124 bytes)."""
    if pixels is None:
        pixels = pixel_rows(width, height, bits)
    masks = b""
    if compression == 3:
        masks = (le32(0xF800) + le32(0x07E0) + le32(0x001F) if bits == 16 else
                 le32(0xFF0000) + le32(0xFF00) + le32(0xFF))
    palette = b"".join(bytes((i, 255 - i, i // 2, 0)) for i in range(colours))
    info = (le32(header) + le32(width) + le32(-height if top_down else height) + le16(1) + le16(bits) +
            le32(compression) + le32(len(pixels)) + le32(3780) + le32(2835) + le32(colours) + le32(0))
    after = b""
    if header == 40:
        after = masks
    else:
        later = masks + le32(0xFF000000 if bits == 32 else 0)  # the masks, alpha from V3 on
        info = (info + later + bytes(header))[:header]
    start = 14 + len(info) + len(after) + len(palette) + gap
    return b"BM" + le32(start + len(pixels)) + le32(0) + le32(start) + info + after + palette + bytes(gap) + pixels


def os2_bmp(width, height):
    core = le32(12) + le16(width) + le16(height) + le16(1) + le16(24)
    pixels = pixel_rows(width, height, 24)
    return b"BM" + le32(26 + len(pixels)) + le32(0) + le32(26) + core + pixels


def rle8_bmp():
    # Two rows of four: two runs, end of line; three bytes as they are and a
    # run of one, end of picture.
    data = bytes((2, 5, 2, 9, 0, 0, 0, 3, 1, 2, 3, 0, 1, 7, 0, 1))
    return bmp(4, 2, bits=8, compression=1, colours=16, pixels=data)


def bmp_seeds():
    full = bmp(3, 2)
    return {
        "info24-3x2.bmp": full,
        "info24-top-down.bmp": bmp(2, 3, top_down=True),
        "info24-cut-short.bmp": full[:-5],
        "info24-gap-before-pixels.bmp": bmp(2, 2, gap=6),
        "v2-32-bitfields.bmp": bmp(2, 2, bits=32, header=52, compression=3),
        "v3-16-bitfields.bmp": bmp(3, 2, bits=16, header=56, compression=3),
        "v4-32-bitfields.bmp": bmp(2, 2, bits=32, header=108, compression=3),
        "v5-24.bmp": bmp(3, 2, header=124),
        "v5-24-top-down.bmp": bmp(2, 2, header=124, top_down=True),
        "info16-masks-after-header.bmp": bmp(2, 2, bits=16, compression=3),
        "info8-palette.bmp": bmp(3, 2, bits=8, colours=4),
        "info1-palette.bmp": bmp(9, 2, bits=1, colours=2),
        "rle8.bmp": rle8_bmp(),
        "os2-24.bmp": os2_bmp(2, 2),
        "file-header-only.bmp": full[:14],
    }


# --- PNG -------------------------------------------------------------------

def png_chunk(kind, data):
    return be32(len(data)) + kind + data + be32(zlib.crc32(kind + data))


def png(width, height, depth, colour, rows, palette=None, interlaced=False):
    ihdr = be32(width) + be32(height) + bytes((depth, colour, 0, 0, 1 if interlaced else 0))
    data = b"".join(b"\x00" + row for row in rows)
    chunks = png_chunk(b"IHDR", ihdr)
    if palette:
        chunks += png_chunk(b"PLTE", palette)
    chunks += png_chunk(b"pHYs", be32(3780) + be32(3780) + b"\x01")
    chunks += png_chunk(b"IDAT", zlib.compress(data)) + png_chunk(b"IEND", b"")
    return b"\x89PNG\r\n\x1a\n" + chunks


def png_seeds():
    rgb = png(3, 2, 8, 2, [bytes(range(9)), bytes(range(20, 29))])
    return {
        "rgb-3x2.png": rgb,
        "rgb-cut-short.png": rgb[:len(rgb) // 2 + 10],
        "grey-1x1.png": png(1, 1, 8, 0, [b"\x80"]),
        "rgba-2x1.png": png(2, 1, 8, 6, [bytes(range(8))]),
        "rgb16-1x1.png": png(1, 1, 16, 2, [bytes(range(6))]),
        "grey16-2x1.png": png(2, 1, 16, 0, [bytes((1, 2, 200, 3))]),
        "palette-2x2.png": png(2, 2, 2, 3, [b"\x1b", b"\xe4"], palette=bytes(range(12))),
        "interlaced-1x1.png": png(1, 1, 8, 2, [b"\x10\x20\x30"], interlaced=True),
    }


# --- TIFF ------------------------------------------------------------------

def tiff(width, height, samples, big_endian=False, cut=0):
    """An uncompressed TIFF: RGB (3 samples) or grey (1), one strip."""
    u16, u32 = (be16, be32) if big_endian else (le16, le32)
    strip = bytes((1 + i) % 251 for i in range(width * height * samples))
    entries = [(256, 3, 1, width), (257, 3, 1, height), (258, 3, samples, None), (259, 3, 1, 1),
               (262, 3, 1, 2 if samples == 3 else 1), (273, 4, 1, None), (277, 3, 1, samples),
               (278, 3, 1, height), (279, 4, 1, len(strip)), (284, 3, 1, 1)]
    directory_end = 8 + 2 + 12 * len(entries) + 4
    bits_at = directory_end
    strip_at = bits_at + (2 * samples if samples > 2 else 0)
    out = (b"MM" + u16(42) if big_endian else b"II" + u16(42)) + u32(8) + u16(len(entries))
    for tag, kind, count, value in entries:
        if tag == 258:
            value = bits_at if samples > 2 else 8
        if tag == 273:
            value = strip_at
        field = (u16(value) + u16(0)) if kind == 3 and count == 1 else u32(value)
        out += u16(tag) + u16(kind) + u32(count) + field
    out += u32(0)
    if samples > 2:
        out += b"".join(u16(8) for _ in range(samples))
    out += strip
    return out[:len(out) - cut]


def tiff_seeds():
    return {
        "rgb-3x2-little.tif": tiff(3, 2, 3),
        "grey-4x2-big.tif": tiff(4, 2, 1, big_endian=True),
        "rgb-strip-cut-short.tif": tiff(3, 2, 3, cut=7),
    }


# --- JPEG ------------------------------------------------------------------

def jpeg(width, height, components, cut=False):
    """A baseline JPEG whose blocks hold only their mean: 8-bit, no subsampling,
    Huffman tables of two DC codes (no change, +5) and the one AC code, end of block."""
    def segment(marker, data):
        return b"\xff" + bytes((marker,)) + be16(len(data) + 2) + data

    out = b"\xff\xd8"
    out += segment(0xE0, b"JFIF\x00\x01\x01\x01" + be16(72) + be16(72) + b"\x00\x00")
    out += segment(0xDB, b"\x00" + bytes([1] * 64))
    out += segment(0xC0, b"\x08" + be16(height) + be16(width) + bytes((components,)) +
                   b"".join(bytes((i + 1, 0x11, 0)) for i in range(components)))
    counts = bytes((0, 2) + (0,) * 14)
    out += segment(0xC4, b"\x00" + counts + b"\x00\x03")  # DC: 00 no change, 01 then three bits
    out += segment(0xC4, b"\x10" + bytes((1,) + (0,) * 15) + b"\x00")  # AC: 0, end of block
    out += segment(0xDA, bytes((components,)) + b"".join(bytes((i + 1, 0x00)) for i in range(components)) +
                   b"\x00\x3f\x00")
    blocks = ((width + 7) // 8) * ((height + 7) // 8) * components
    bits = "".join(("01" + "101" if block < components else "00") + "0" for block in range(blocks))
    bits += "1" * (-len(bits) % 8)
    scan = b""
    for i in range(0, len(bits), 8):
        byte = int(bits[i:i + 8], 2)
        scan += bytes((byte,)) + (b"\x00" if byte == 0xFF else b"")
    if cut:
        return out + scan[:len(scan) // 2]
    return out + scan + b"\xff\xd9"


def jpeg_seeds():
    return {
        "grey-8x8.jpg": jpeg(8, 8, 1),
        "colour-16x8.jpg": jpeg(16, 8, 3),
        "colour-cut-short.jpg": jpeg(32, 32, 3, cut=True),
    }


# --- Depth maps stored in a JPEG --------------------------------------------

XMP_ID = b"http://ns.adobe.com/xap/1.0/\x00"
EXTENSION_ID = b"http://ns.adobe.com/xmp/extension/\x00"
GUID = b"36BE52D449F3E6B9760D7602FF75168D"
RDF = (b'<x:xmpmeta xmlns:x="adobe:ns:meta/"><rdf:RDF xmlns:rdf="http://www.w3.org/1999/02/22-rdf-syntax-ns#">'
       b'%s</rdf:RDF></x:xmpmeta>')


def app1(identifier, payload):
    return b"\xff\xe1" + be16(2 + len(identifier) + len(payload)) + identifier + payload


def with_segments(jpeg_file, segments):
    return jpeg_file[:2] + b"".join(segments) + jpeg_file[2:]


def gdepth(attributes):
    return RDF % (b'<rdf:Description rdf:about="" xmlns:GDepth="http://ns.google.com/photos/1.0/depthmap/" '
                  b'xmlns:xmpNote="http://ns.adobe.com/xmp/note/" GDepth:Format="RangeInverse" '
                  b'GDepth:Near="0.5" GDepth:Far="4" GDepth:Mime="image/png" ' + attributes + b"/>")


def stored_depth_seeds():
    import base64
    photo = jpeg(8, 8, 1)
    depth = png(2, 2, 8, 0, [b"\x00\x64", b"\xc8\xff"])
    data = base64.b64encode(depth)
    extended = (RDF % (b'<rdf:Description xmlns:GDepth="http://ns.google.com/photos/1.0/depthmap/" '
                       b'GDepth:Data="' + data + b'"/>'))
    half = len(extended) // 2

    def chunk(offset, part):
        return app1(EXTENSION_ID, GUID + be32(len(extended)) + be32(offset) + part)

    main = app1(XMP_ID, gdepth(b'xmpNote:HasExtendedXMP="' + GUID + b'"'))
    directory = RDF % (
        b'<rdf:Description xmlns:Device="http://ns.google.com/photos/dd/1.0/device/" '
        b'xmlns:Container="http://ns.google.com/photos/dd/1.0/container/" '
        b'xmlns:Item="http://ns.google.com/photos/dd/1.0/item/" '
        b'xmlns:Camera="http://ns.google.com/photos/dd/1.0/camera/" '
        b'xmlns:DepthMap="http://ns.google.com/photos/dd/1.0/depthmap/">'
        b'<Device:Container><Container:Directory><rdf:Seq>'
        b'<rdf:li><Container:Item Item:Mime="image/jpeg" Item:Semantic="Primary"/></rdf:li>'
        b'<rdf:li><Container:Item Item:Mime="image/png" Item:Semantic="Depth" Item:Length="' +
        str(len(depth)).encode() + b'" Item:Padding="0" Item:DataURI="android/depthmap"/></rdf:li>'
        b'</rdf:Seq></Container:Directory></Device:Container><Device:Cameras><rdf:Seq><rdf:li><Device:Camera>'
        b'<Camera:DepthMap DepthMap:Format="RangeLinear" DepthMap:Near="1" DepthMap:Far="5" '
        b'DepthMap:DepthURI="android/depthmap"><DepthMap:ItemSemantic>Depth</DepthMap:ItemSemantic>'
        b'</Camera:DepthMap></Device:Camera></rdf:li></rdf:Seq></Device:Cameras></rdf:Description>')
    return {
        "gdepth-in-main.jpg": with_segments(photo, [app1(XMP_ID, gdepth(b'GDepth:Data="' + data + b'"'))]),
        "gdepth-extended-out-of-order.jpg": with_segments(
            photo, [main, chunk(half, extended[half:]), chunk(0, extended[:half])]),
        "gdepth-extended-missing-part.jpg": with_segments(photo, [main, chunk(0, extended[:half])]),
        "dynamic-depth.jpg": with_segments(photo, [app1(XMP_ID, directory)]) + depth,
        "no-depth.jpg": photo,
    }


# --- The starts of files whose size the program reads itself ----------------
# Each begins with the format's number as the image library counts them.

FORMAT = {"KOALA": 4, "IFF": 5, "PBM": 7, "PBMRAW": 8, "PCX": 10, "PGM": 11, "PGMRAW": 12, "PPM": 14,
          "PPMRAW": 15, "RAS": 16, "TARGA": 17, "WBMP": 19, "PSD": 20, "CUT": 21, "XBM": 22, "XPM": 23,
          "DDS": 24, "GIF": 25, "HDR": 26, "SGI": 28, "J2K": 30, "JP2": 31, "PFM": 32}


def codestream(width, height, x_offset=0, y_offset=0):
    return (b"\xff\x4f\xff\x51" + be16(41) + be16(0) + be32(width) + be32(height) + be32(x_offset) +
            be32(y_offset) + bytes(24))


def box(kind, contents, length=None):
    return be32(8 + len(contents) if length is None else length) + kind + contents


def jp2(header_size, stream_size, last_box_open=False):
    ihdr = box(b"ihdr", be32(header_size[1]) + be32(header_size[0]) + be16(3) + b"\x07\x07\x00\x00")
    return (box(b"jP  ", b"\r\n\x87\n") + box(b"ftyp", b"jp2 " + be32(0) + b"jp2 ") + box(b"jp2h", ihdr) +
            box(b"jp2c", codestream(*stream_size), 0 if last_box_open else None))


def gif(version, screen, image=None, extension=b"", trailer=True):
    flags = 0x80 if image else 0  # a global table of two colours with an image
    out = b"GIF" + version + le16(screen[0]) + le16(screen[1]) + bytes((flags, 0, 0))
    if image:
        out += bytes((0, 0, 0, 255, 255, 255)) + extension
        left, top, width, height = image
        out += b"\x2c" + le16(left) + le16(top) + le16(width) + le16(height) + b"\x00"
        out += b"\x02\x02\x4c\x01\x00"
    return out + (b"\x3b" if trailer else b"")


def header_seeds():
    seeds = {
        "GIF": {"gif89-image-past-screen": gif(b"89a", (4, 3), (1, 2, 5, 4), b"\x21\xf9\x04\x00\x00\x00\x00\x00"),
                "gif87-trailer-only": gif(b"87a", (2, 2)),
                "gif-comment-cut-short": gif(b"89a", (2, 2), (0, 0, 2, 2), b"\x21\xfe\x05hello\x00")[:24]},
        "SGI": {"sgi": be16(474) + b"\x00\x01" + be16(3) + be16(7) + be16(5) + be16(3) + bytes(20)},
        "DDS": {"dds": b"DDS " + le32(124) + le32(0x1007) + le32(6) + le32(9) + bytes(16)},
        "WBMP": {"wbmp-two-byte-width": b"\x00\x00\x81\x00\x05" + bytes(80),
                 "wbmp-extension-header": b"\x00\x80\x02\x05"},
        "J2K": {"j2k": codestream(9, 7), "j2k-offsets": codestream(9, 7, 2, 3)},
        "JP2": {"jp2": jp2((5, 4), (6, 3)), "jp2-codestream-to-the-end": jp2((5, 4), (5, 4), True)},
        "IFF": {"iff-odd-chunk-first": b"FORM" + be32(60) + b"ILBM" + b"ANNO" + be32(3) + b"abc\x00" +
                b"BMHD" + be32(20) + be16(10) + be16(6) + bytes(16)},
        "XBM": {"xbm": b"#define dot_width 8\n#define dot_height 2\nstatic char dot_bits[] = {0x01, 0x80};\n",
                "xbm-number-too-long": b"#define a_width 99999999999\n#define a_height 1\n"},
        "KOALA": {"koala": b"\x00\x60" + bytes(16)},
        "TARGA": {"tga": b"\x00\x00\x02" + bytes(5) + le16(0) + le16(0) + le16(3) + le16(2) + b"\x18\x00" +
                  bytes(18)},
        "PCX": {"pcx": b"\x0a\x05\x01\x08" + le16(0) + le16(0) + le16(4) + le16(2) + le16(72) + le16(72) +
                bytes(48) + b"\x00\x03" + le16(6) + le16(1) + bytes(58)},
        "PBM": {"pbm": b"P1\n# a comment\n3 2\n0 1 0\n1 0 1\n"},
        "PBMRAW": {"pbm-raw": b"P4 8 1\n\xaa"},
        "PGM": {"pgm": b"P2\n2 1\n255\n0 255\n"},
        "PGMRAW": {"pgm-raw": b"P5 3 2 255\n" + bytes(range(6))},
        "PPM": {"ppm": b"P3\n1 1\n255\n1 2 3\n"},
        "PPMRAW": {"ppm-raw": b"P6\n2 1\n255\n" + bytes(range(6))},
        "RAS": {"ras": be32(0x59A66A95) + be32(2) + be32(2) + be32(8) + be32(4) + be32(1) + be32(0) + be32(0) +
                bytes(4)},
        "PSD": {"psd": b"8BPS" + be16(1) + bytes(6) + be16(3) + be32(2) + be32(3) + be16(8) + be16(3) + bytes(8)},
        "CUT": {"cut": le16(3) + le16(2) + le16(0) + bytes(8)},
        "HDR": {"hdr": b"#?RADIANCE\nFORMAT=32-bit_rle_rgbe\n\n-Y 2 +X 3\n" + bytes(24)},
        "PFM": {"pfm": b"PF\n2 1\n-1.0\n" + bytes(24)},
        "XPM": {"xpm": b'/* XPM */\nstatic char *x[] = {\n"2 1 1 1",\n"a c #000000",\n"aa"};\n'},
    }
    return {name: bytes((FORMAT[format],)) + data
            for format, files in seeds.items() for name, data in files.items()}


# --- HEIF ------------------------------------------------------------------

def heif_seeds():
    """File type boxes with and without HEIF brands, then top-level boxes
    whole, cut short, of 64-bit size and running to the end."""
    def box(kind, payload):
        return be32(8 + len(payload)) + kind + payload

    heic = box(b"ftyp", b"heic" + be32(0) + b"mif1heic")
    return {
        "heic": heic + box(b"meta", bytes(12)) + box(b"mdat", bytes(16)),
        "compatible-brand-only": box(b"ftyp", b"MiHE" + be32(0) + b"MiPrmiafmsf1"),
        "avif": box(b"ftyp", b"avif" + be32(0) + b"mif1miaf"),
        "mp4": box(b"ftyp", b"isom" + be32(0) + b"isomiso2mp41"),
        "box-cut-short": heic + be32(4096) + b"meta" + bytes(12),
        "large-size-box": heic + be32(1) + b"mdat" + struct.pack(">Q", 32) + bytes(16),
        "box-to-the-end": heic + be32(0) + b"mdat" + bytes(40),
    }


def rig_seeds():
    keystone = "keystone 0.0049 0.0128 0.0093 0.993 -0.0343 0.0076 0.0089\n"
    whole = "velmora-rig 1\n# a comment\nsize 640 480\nlens -0.168\n" + keystone + "pairs 12\n"
    return {
        "whole.txt": whole.encode(),
        "crlf-reordered.txt": ("velmora-rig\t1\r\npairs 2\r\n" + keystone + "lens 0\r\nsize 6000 4000").encode(),
        "version-2.txt": b"velmora-rig 2\nsize 640 480\n",
        "twice.txt": (whole + "lens -0.1\n").encode(),
        "out-of-range.txt": whole.replace("lens -0.168", "lens 1e999").replace("0.993", "-0.993").encode(),
        "no-pairs.txt": whole.replace("pairs 12\n", "").encode(),
    }


def write(target, files):
    folder = CORPUS / target
    folder.mkdir(parents=True, exist_ok=True)
    for old in folder.iterdir():
        old.unlink()
    for name, data in sorted(files.items()):
        (folder / name).write_bytes(data)


def main():
    write("PictureHeaders", header_seeds())
    write("BmpReaders", bmp_seeds())
    pictures = {**png_seeds(), **tiff_seeds(), **jpeg_seeds()}
    for name in ("info24-3x2.bmp", "info24-cut-short.bmp", "v4-32-bitfields.bmp", "v5-24.bmp",
                 "info8-palette.bmp", "rle8.bmp", "os2-24.bmp"):
        pictures[name] = bmp_seeds()[name]
    write("ReadImageFile", pictures)
    write("RigFile", rig_seeds())
    write("StoredDepth", stored_depth_seeds())
    write("HeifSignature", heif_seeds())


if __name__ == "__main__":
    main()
