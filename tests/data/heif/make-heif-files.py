#!/usr/bin/python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""Writes the small HEIF files the tests read into this folder. heif-enc (from
libheif's examples) encodes a picture and a grey depth map losslessly; this
script takes their HEVC data and properties and puts them together again as
a picture with a depth image beside it, with or without the depth's range,
turned, or claiming a size it does not have, which libheif offers no way to
write; and one file as heif-enc writes it, a grid of tiles. Only Python's standard library and heif-enc:
tests/data/heif/make-heif-files.py"""

import pathlib
import struct
import subprocess
import tempfile
import zlib

HERE = pathlib.Path(__file__).resolve().parent
# Square, and a whole coding tree block: heif-enc writes other sizes as a grid
# of padded tiles.
WIDTH = HEIGHT = 64

# The picture's quarters, top left, top right, bottom left, bottom right.
QUARTERS = ((200, 30, 40), (40, 180, 60), (30, 60, 200), (230, 230, 230))


def be16(value):
    return struct.pack(">H", value)


def be32(value):
    return struct.pack(">I", value)


def box(kind, payload):
    return be32(8 + len(payload)) + kind + payload


def full_box(kind, version, flags, payload):
    return box(kind, bytes([version]) + struct.pack(">I", flags)[1:] + payload)


def png(width, height, channels, pixel_of, bits=8):
    rows = b"".join(b"\0" + b"".join(value.to_bytes(bits // 8, "big") for x in range(width) for value in pixel_of(x, y))
                    for y in range(height))
    colour_type = 2 if channels == 3 else 0

    def chunk(kind, data):
        return be32(len(data)) + kind + data + be32(zlib.crc32(kind + data))

    header = be32(width) + be32(height) + bytes([bits, colour_type, 0, 0, 0])
    return b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) + chunk(b"IDAT", zlib.compress(rows)) + chunk(b"IEND", b"")


def quarters(width, height):
    return lambda x, y: QUARTERS[(y >= height // 2) * 2 + (x >= width // 2)]


def depth_pixel(x, _y):
    """Nearer to the right: the level rises from 0 to 255 across the width."""
    return (round(x * 255 / (WIDTH - 1)),)


def deep_depth_pixel(x, _y):
    """The same in 16 bits, which heif-enc keeps 10 of."""
    return (round(x * 65535 / (WIDTH - 1)),)


def boxes(data, start=0, end=None):
    """(type, payload start, box end) of each box from start to end."""
    end = len(data) if end is None else end
    while start < end:
        size = struct.unpack(">I", data[start:start + 4])[0]
        yield data[start + 4:start + 8], start + 8, start + size
        start += size


def heif_enc(png_bytes, folder, name):
    """heif-enc's lossless encoding of the picture."""
    source, target = folder / (name + ".png"), folder / (name + ".heic")
    source.write_bytes(png_bytes)
    subprocess.run(["heif-enc", "-L", "-p", "chroma=444", "-o", str(target), str(source)], check=True,
                   stdout=subprocess.DEVNULL)
    return target.read_bytes()


def encoded_item(data):
    """The primary item of a file heif-enc wrote: its HEVC data and its
    property boxes, each with whether it is essential."""
    meta = next((at, end) for kind, at, end in boxes(data) if kind == b"meta")
    children = {kind: (at, end) for kind, at, end in boxes(data, meta[0] + 4, meta[1])}
    primary = struct.unpack(">H", data[children[b"pitm"][0] + 4:][:2])[0]
    if b"infe" + b"\x02\x00\x00\x00" + be16(primary) + be16(0) + b"hvc1" not in data:
        raise SystemExit("heif-enc wrote its picture as something else than one HEVC image")
    properties, associations = [], {}
    for kind, at, end in boxes(data, *children[b"iprp"]):
        if kind == b"ipco":
            properties = [data[inner - 8:inner_end] for _, inner, inner_end in boxes(data, at, end)]
        elif kind == b"ipma":
            count = struct.unpack(">I", data[at + 4:at + 8])[0]
            at += 8
            for _ in range(count):
                item, number = struct.unpack(">HB", data[at:at + 3])
                associations[item] = list(data[at + 3:at + 3 + number])
                at += 3 + number
    chosen = [(properties[(entry & 0x7F) - 1], bool(entry & 0x80)) for entry in associations[primary]]
    return hevc_data(data, children[b"iloc"], primary), chosen


def hevc_data(data, iloc, item):
    at = iloc[0]
    version = data[at]
    sizes = data[at + 4] << 8 | data[at + 5]
    offset_size, length_size, base_size = sizes >> 12, sizes >> 8 & 15, sizes >> 4 & 15
    index_size = sizes & 15 if version in (1, 2) else 0
    at += 6
    count = struct.unpack(">H", data[at:at + 2])[0] if version < 2 else struct.unpack(">I", data[at:at + 4])[0]
    at += 2 if version < 2 else 4

    def number(size):
        nonlocal at
        value = int.from_bytes(data[at:at + size], "big")
        at += size
        return value

    for _ in range(count):
        item_id = number(2 if version < 2 else 4)
        if version in (1, 2):
            number(2)  # construction method 0: in the file
        number(2)  # data reference
        base = number(base_size)
        pieces = b""
        for _ in range(number(2)):
            number(index_size)
            offset, length = number(offset_size), number(length_size)
            pieces += data[base + offset:base + offset + length]
        if item_id == item:
            return pieces
    raise SystemExit("heif-enc wrote no data for its primary item")


def depth_element(value):
    """A value of the depth representation SEI: sign, exponent, mantissa
    length and mantissa, for the powers of two and simple fractions used
    here."""
    exponent = 0
    while 2.0 ** (exponent + 1 - 31) <= value:
        exponent += 1
    fraction = value / 2.0 ** (exponent - 31) - 1
    return "0" + format(exponent, "07b") + format(15, "05b") + format(round(fraction * 2 ** 16), "016b")


def unsigned_golomb(value):
    bits = format(value + 1, "b")
    return "0" * (len(bits) - 1) + bits


def depth_representation(kind, near=None, far=None, low=None, high=None):
    """The auxC subtype bytes that carry the depth representation SEI: the
    length of what follows, then one SEI NAL unit with its own length."""
    bits = "".join("1" if value is not None else "0" for value in (near, far, low, high))
    bits += unsigned_golomb(kind)
    if low is not None or high is not None:
        bits += unsigned_golomb(0)  # the disparity's reference view
    bits += "".join(depth_element(value) for value in (near, far, low, high) if value is not None)
    bits += "1"
    bits += "0" * (-len(bits) % 8)
    payload = int(bits, 2).to_bytes(len(bits) // 8, "big")
    nal = b"\x4e\x01" + bytes([177, len(payload)]) + payload + b"\x80"
    return be32(4 + len(nal)) + be32(len(nal)) + nal


def heif(picture, depth=None, depth_info=b"", turned=False, claimed_size=None):
    """A HEIF file with the picture as item 1, and the depth as item 2, an
    auxiliary image of item 1's."""
    (picture_data, picture_properties), items = picture, [picture]
    properties = list(picture_properties)
    if claimed_size:
        properties = [(full_box(b"ispe", 0, 0, be32(claimed_size[0]) + be32(claimed_size[1])), False)
                      if prop.startswith(b"ispe", 4) else (prop, essential) for prop, essential in properties]
    if turned:
        properties.append((box(b"irot", b"\x01"), True))
    associations = [properties]
    if depth:
        items.append(depth)
        associations.append(list(depth[1]) + [
            (full_box(b"auxC", 0, 0, b"urn:mpeg:hevc:2015:auxid:2\0" + depth_info), True)])
    ipco, ipma = b"", be32(len(items))
    for number, item_properties in enumerate(associations, 1):
        indexes = []
        for prop, essential in item_properties:
            ipco += prop
            indexes.append(len(indexes) + 1 + sum(len(a) for a in associations[:number - 1]) | 0x80 * essential)
        ipma += be16(number) + bytes([len(indexes)]) + bytes(indexes)
    infe = b"".join(full_box(b"infe", 2, 0, be16(number) + be16(0) + b"hvc1" + b"\0")
                    for number in range(1, len(items) + 1))
    iref = full_box(b"iref", 0, 0, box(b"auxl", be16(2) + be16(1) + be16(1))) if depth else b""

    def meta(offsets):
        iloc = be16(0x4400) + be16(len(items)) + b"".join(
            be16(number) + be16(0) + be16(1) + be32(offset) + be32(len(data))
            for number, ((data, _), offset) in enumerate(zip(items, offsets), 1))
        return full_box(b"meta", 0, 0,
                        full_box(b"hdlr", 0, 0, be32(0) + b"pict" + bytes(12) + b"\0") +
                        full_box(b"pitm", 0, 0, be16(1)) + full_box(b"iloc", 0, 0, iloc) +
                        full_box(b"iinf", 0, 0, be16(len(items)) + infe) + iref +
                        box(b"iprp", box(b"ipco", ipco) + full_box(b"ipma", 0, 0, ipma)))

    ftyp = box(b"ftyp", b"heic" + be32(0) + b"mif1heic")
    start = len(ftyp) + len(meta([0] * len(items))) + 8
    offsets = [start + sum(len(data) for data, _ in items[:number]) for number in range(len(items))]
    return ftyp + meta(offsets) + box(b"mdat", b"".join(data for data, _ in items))


def main():
    with tempfile.TemporaryDirectory() as folder:
        folder = pathlib.Path(folder)
        picture = encoded_item(heif_enc(png(WIDTH, HEIGHT, 3, quarters(WIDTH, HEIGHT)), folder, "picture"))
        depth = encoded_item(heif_enc(png(WIDTH, HEIGHT, 1, depth_pixel), folder, "depth"))
        deep_depth = encoded_item(heif_enc(png(WIDTH, HEIGHT, 1, deep_depth_pixel, bits=16), folder, "deep-depth"))
        # As heif-enc writes it: a grid of one tile, cut to size.
        grid = heif_enc(png(WIDTH, HEIGHT // 2, 3, quarters(WIDTH, HEIGHT // 2)), folder, "grid")
    uniform_disparity, uniform_distance = 1, 2
    files = {
        "picture.heic": heif(picture),
        "picture-grid-64x32.heic": grid,
        "picture-turned.heic": heif(picture, turned=True),
        "picture-claiming-20000x20000.heic": heif(picture, claimed_size=(20000, 20000)),
        "depth-plain.heic": heif(picture, depth),
        "depth-10-bit-disparity-0.5-2.heic": heif(picture, deep_depth,
                                                  depth_representation(uniform_disparity, low=0.5, high=2)),
        "depth-disparity-0.5-2.heic": heif(picture, depth, depth_representation(uniform_disparity, low=0.5, high=2)),
        "depth-distance-1-4.heic": heif(picture, depth, depth_representation(uniform_distance, near=1, far=4)),
    }
    for name, content in files.items():
        (HERE / name).write_bytes(content)


if __name__ == "__main__":
    main()
