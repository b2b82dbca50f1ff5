#!/usr/bin/env bash
# Makes the small PNG, WebP, AVIF, HEIC and TIFF pictures of this folder with Debian's tools
# (imagemagick, webp, libheif-examples, libtiff-tools, libimage-exiftool-perl, python3), so that
# the tests never need the tools: the files are committed and this script only remakes them.
#   tests/data/formats/make_fixtures.sh
# Every picture shows one 64 x 48 pattern when upright: red top left, green (lime) top right,
# blue bottom left, white bottom right; files with an orientation store it turned so that
# applying their orientation gives that pattern back. README lists every file.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"

for tool in convert cwebp img2webp heif-enc tiffcp exiftool python3; do
  command -v "$tool" >/dev/null || { echo "make_fixtures: $tool is missing" >&2; exit 1; }
done

# Pictures without dates or tool names in them, so that a remake gives the same bytes.
png() {
  convert "${@:1:$#-1}" -strip -define png:exclude-chunk=date,time,bKGD,cHRM,gAMA "${@: -1}"
}
exif() { exiftool -q -q -overwrite_original -api Compact=all "$@"; }
meta=(-Make=Pictavo -Model=Fixture "-DateTimeOriginal=2026:01:02 03:04:05"
      "-XMP-dc:Title=Pictavo fixture" "-ICC_Profile<=rgb.icc")

# --- sources
convert -size 32x24 xc:red xc:lime +append \( -size 32x24 xc:blue xc:white +append \) -append \
  -depth 8 base.ppm
# Alpha: the green quarter half transparent, the white quarter fully transparent.
convert -size 32x24 xc:'rgba(255,0,0,1)' xc:'rgba(0,255,0,0.5)' +append \
  \( -size 32x24 xc:'rgba(0,0,255,1)' xc:'rgba(255,255,255,0)' +append \) -append -depth 8 alpha.pam
convert base.ppm -rotate -90 cw6.ppm   # stored so that orientation 6 (turn clockwise) shows it
convert base.ppm -rotate 90 cw8.ppm    # stored so that orientation 8 (or irot 90) shows it
# 16 bits a channel with values no 8-bit picture has (0x0123 green in the red quarter).
convert -size 32x24 xc:'#FFFF01230000' xc:'#00FFFFFF0123' +append \
  \( -size 32x24 xc:'#01230000FFFF' xc:'#FFFFFFFEFFFD' +append \) -append -depth 16 deep.ppm

# An RGB display profile of the project's own (gamma 2.2, sRGB primaries), small and whole.
python3 - <<'EOF'
import struct
def s15(x): return struct.pack('>i', round(x * 65536))
def xyz(x, y, z): return b'XYZ ' + b'\0' * 4 + s15(x) + s15(y) + s15(z)
def text(t): return b'text' + b'\0' * 4 + t + b'\0'
def desc(t):
    return (b'desc' + b'\0' * 4 + struct.pack('>I', len(t) + 1) + t + b'\0' +
            b'\0' * 4 + b'\0' * 4 + b'\0' * 3 + b'\0' * 67)
curve = b'curv' + b'\0' * 4 + struct.pack('>IH', 1, 0x0233) + b'\0\0'
tags = [(b'desc', desc(b'Pictavo fixture RGB')), (b'cprt', text(b'No copyright, use freely')),
        (b'wtpt', xyz(0.9642, 1.0, 0.8249)), (b'rXYZ', xyz(0.4361, 0.2225, 0.0139)),
        (b'gXYZ', xyz(0.3851, 0.7169, 0.0971)), (b'bXYZ', xyz(0.1431, 0.0606, 0.7141)),
        (b'rTRC', curve), (b'gTRC', curve), (b'bTRC', curve)]
offset = 128 + 4 + 12 * len(tags)
table, data = b'', b''
for sig, body in tags:
    table += sig + struct.pack('>II', offset + len(data), len(body))
    data += body + b'\0' * (-len(body) % 4)
size = offset + len(data)
header = (struct.pack('>I', size) + b'none' + bytes([2, 0x10, 0, 0]) + b'mntr' + b'RGB ' +
          b'XYZ ' + struct.pack('>6H', 2026, 1, 2, 3, 4, 5) + b'acsp' + b'\0' * 4 +
          b'\0' * 4 + b'\0' * 4 + b'\0' * 4 + b'\0' * 8 + b'\0' * 4 +
          s15(0.9642) + s15(1.0) + s15(0.8249) + b'pctv' + b'\0' * 16 + b'\0' * 28)
assert len(header) == 128
open('rgb.icc', 'wb').write(header + struct.pack('>I', len(tags)) + table + data)
EOF

# --- JPEG with the metadata every copy is checked for
convert cw6.ppm -quality 95 jpeg_exif6_meta.jpg
exif -Orientation#=6 "${meta[@]}" jpeg_exif6_meta.jpg

# --- PNG
png base.ppm PNG24:png_plain.png
png alpha.pam PNG32:png_alpha.png
png base.ppm PNG8:png_palette.png
png base.ppm -interlace PNG PNG24:png_interlaced.png
png deep.ppm -alpha set -channel A -evaluate set 100% +channel PNG64:png_16bit_alpha.png
png cw6.ppm PNG24:png_exif6_meta.png
exif -Orientation#=6 "${meta[@]}" png_exif6_meta.png
png cw8.ppm PNG24:png_exif8.png
exif -Orientation#=8 png_exif8.png

# --- WebP
cwebp -quiet -q 90 base.ppm -o webp_lossy.webp
cwebp -quiet -lossless base.ppm -o webp_lossless.webp
png alpha.pam PNG32:alpha.png
cwebp -quiet -q 90 -exact alpha.png -o webp_alpha.webp
cwebp -quiet -q 90 cw6.ppm -o webp_exif6_meta.webp
exif -Orientation#=6 "${meta[@]}" webp_exif6_meta.webp
cwebp -quiet -lossless cw8.ppm -o webp_exif8.webp
exif -Orientation#=8 webp_exif8.webp
png base.ppm PNG24:f1.png
png base.ppm -negate PNG24:f2.png
img2webp -loop 0 -lossless f1.png -d 100 f2.png -o webp_animated.webp

# --- HEIC and AVIF (x265 and aom through libheif)
heif-enc -q 60 -o heic_plain.heic f1.png
heif-enc -q 60 --avif -o avif_plain.avif f1.png
heif-enc -q 60 --avif -o avif_alpha.avif alpha.png
heif-enc -q 60 -t 32 -o heic_thumbnail.heic f1.png
heif-enc -q 60 -o heic_two_images.heic f1.png f2.png
png cw8.ppm PNG24:cw8.png
heif-enc -q 60 -o cw8.heic cw8.png
heif-enc -q 60 --avif -o cw8.avif cw8.png
heif-enc -q 60 -t 32 -o cw8_thumb.heic cw8.png
# A JPEG carrying orientation 6 (which the HEIF reader must ignore: no irot), Exif, XMP and the
# profile; heif-enc carries them into the HEIC as they are.
convert base.ppm -quality 95 meta.jpg
exif -Orientation#=6 "${meta[@]}" meta.jpg
heif-enc -q 60 -o heic_exif6_meta.heic meta.jpg

# Edits of the ISO boxes that heif-enc cannot make: an irot property, a size, an image grid.
python3 - <<'EOF'
import struct

def u32(b, o): return struct.unpack('>I', b[o:o + 4])[0]

def boxes(b, start, end):
    out, o = [], start
    while o + 8 <= end:
        size, typ = u32(b, o), b[o + 4:o + 8]
        out.append([typ, b[o + 8:o + size]])
        o += size
    return out

def box(typ, body): return struct.pack('>I', 8 + len(body)) + typ + body

def full(body): return body[:4], body[4:]

class Heif:
    def __init__(self, path):
        self.data = open(path, 'rb').read()
        top = boxes(self.data, 0, len(self.data))
        self.ftyp = [b for b in top if b[0] == b'ftyp'][0][1]
        meta = [b for b in top if b[0] == b'meta'][0][1]
        self.meta_head, rest = full(meta)
        self.meta = boxes(rest, 0, len(rest))
        self.mdat = [b for b in top if b[0] == b'mdat'][0][1]
        # Where mdat's body starts in the old file, for the absolute offsets in iloc.
        self.old_mdat = len(self.data) - len(self.mdat)

    def child(self, typ): return [b for b in self.meta if b[0] == typ][0]

    def ipco(self):
        iprp = self.child(b'iprp')
        kids = boxes(iprp[1], 0, len(iprp[1]))
        return iprp, kids

    def add_property(self, prop):
        iprp, kids = self.ipco()
        ipco = [k for k in kids if k[0] == b'ipco'][0]
        count = len(boxes(ipco[1], 0, len(ipco[1])))
        ipco[1] += prop
        iprp[1] = b''.join(box(t, b) for t, b in kids)
        return count + 1  # property indices start at 1

    def ipma(self):
        iprp, kids = self.ipco()
        box_ = [k for k in kids if k[0] == b'ipma'][0]
        head, body = full(box_[1])
        version, big = head[0], int.from_bytes(head[1:], 'big') & 1
        n, o, entries = u32(body, 0), 4, []
        for _ in range(n):
            iid = struct.unpack('>H', body[o:o + 2])[0] if version < 1 else u32(body, o)
            o += 2 if version < 1 else 4
            count, o = body[o], o + 1
            found = []
            for _ in range(count):
                if big:
                    found.append(struct.unpack('>H', body[o:o + 2])[0])
                    o += 2
                else:
                    found.append(body[o])
                    o += 1
            entries.append([iid, found])
        return iprp, kids, box_, head, version, big, entries

    def write_ipma(self, parts):
        iprp, kids, box_, head, version, big, entries = parts
        out = struct.pack('>I', len(entries))
        for iid, found in entries:
            out += struct.pack('>H', iid) if version < 1 else struct.pack('>I', iid)
            out += bytes([len(found)])
            for f in found:
                out += struct.pack('>H', f) if big else bytes([f])
        box_[1] = head + out
        iprp[1] = b''.join(box(t, b) for t, b in kids)

    def associate(self, item, index):
        parts = self.ipma()
        big = parts[5]
        for iid, found in parts[6]:
            if iid == item:
                found.append((0x8000 if big else 0x80) | index)
        self.write_ipma(parts)

    def property_indices(self, item):
        parts = self.ipma()
        mask = 0x7FFF if parts[5] else 0x7F
        for iid, found in parts[6]:
            if iid == item:
                return [f & mask for f in found]
        return []

    def add_ipma_item(self, item, indices):
        parts = self.ipma()
        big = parts[5]
        parts[6].append([item, [(0x8000 if big else 0x80) | i for i in indices]])
        self.write_ipma(parts)

    def primary(self):
        head, body = full(self.child(b'pitm')[1])
        return struct.unpack('>H', body[:2])[0]

    def set_primary(self, item):
        pitm = self.child(b'pitm')
        pitm[1] = pitm[1][:4] + struct.pack('>H', item)

    def set_ispe(self, item, w, h):
        iprp, kids = self.ipco()
        ipco = [k for k in kids if k[0] == b'ipco'][0]
        props = boxes(ipco[1], 0, len(ipco[1]))
        index = self.property_indices(item)
        for i in index:
            if props[i - 1][0] == b'ispe':
                props[i - 1][1] = props[i - 1][1][:4] + struct.pack('>II', w, h)
        ipco[1] = b''.join(box(t, b) for t, b in props)
        iprp[1] = b''.join(box(t, b) for t, b in kids)

    def add_grid(self, rows, cols, out_w, out_h, ispe_w, ispe_h):
        tile = self.primary()
        # The grid's description goes into idat (construction method 1).
        desc = bytes([0, 1, rows - 1, cols - 1]) + struct.pack('>II', out_w, out_h)
        idat = [b for b in self.meta if b[0] == b'idat']
        if not idat:
            self.meta.append([b'idat', b''])
            idat = [self.meta[-1]]
        at = len(idat[0][1])
        idat[0][1] += desc
        grid = 0xFFF0
        iinf = self.child(b'iinf')
        head, body = full(iinf[1])
        wide = head[0] >= 1
        n = u32(body, 0) if wide else struct.unpack('>H', body[:2])[0]
        rest = body[4:] if wide else body[2:]
        # The tile is hidden, as the tiles of a camera's grid are: only the grid is an image.
        entries = boxes(rest, 0, len(rest))
        for e in entries:
            if e[0] == b'infe' and e[1][0] >= 2 and struct.unpack('>H', e[1][4:6])[0] == tile:
                e[1] = e[1][:1] + b'\0\0\1' + e[1][4:]
        rest = b''.join(box(t, b) for t, b in entries)
        infe = box(b'infe', bytes([2, 0, 0, 0]) + struct.pack('>HH', grid, 0) + b'grid' + b'\0')
        iinf[1] = head + (struct.pack('>I', n + 1) if wide else struct.pack('>H', n + 1)) + rest + infe
        self.add_iloc_idat(grid, at, len(desc))
        refs = struct.pack('>HH', grid, rows * cols) + struct.pack('>H', tile) * (rows * cols)
        iref = self.child(b'iref')
        iref[1] += box(b'dimg', refs)
        index = self.add_property(box(b'ispe', b'\0' * 4 + struct.pack('>II', ispe_w, ispe_h)))
        self.add_ipma_item(grid, [index])
        self.set_primary(grid)

    def parse_iloc(self):
        head, body = full(self.child(b'iloc')[1])
        version = head[0]
        off_size, len_size = body[0] >> 4, body[0] & 15
        base_size, idx_size = body[1] >> 4, (body[1] & 15) if version >= 1 else 0
        o = 2
        if version < 2:
            n = struct.unpack('>H', body[o:o + 2])[0]; o += 2
        else:
            n = u32(body, o); o += 4
        def read(size):
            nonlocal o
            v = int.from_bytes(body[o:o + size], 'big') if size else 0
            o += size
            return v
        items = []
        for _ in range(n):
            iid = read(2 if version < 2 else 4)
            method = read(2) & 15 if version >= 1 else 0
            ref = read(2)
            base = read(base_size)
            extents = []
            for _ in range(read(2)):
                read(idx_size)
                extents.append([base + read(off_size), read(len_size)])
            items.append([iid, method, ref, base, extents])
        return version, items

    def add_iloc_idat(self, item, offset, length):
        version, items = self.parse_iloc()
        items.append([item, 1, 0, 0, [[offset, length]]])
        self.iloc_items = items

    def write(self, path):
        version, items = self.parse_iloc()
        items = getattr(self, 'iloc_items', items)
        def iloc_body():
            out = bytes([1, 0, 0, 0]) + bytes([0x44, 0x00]) + struct.pack('>H', len(items))
            for iid, method, ref, base, extents in items:
                out += struct.pack('>HHHH', iid, method, ref, len(extents))
                for off, ln in extents:
                    out += struct.pack('>II', off, ln)
            return out
        # The meta box's size does not depend on the offsets; mdat follows it.
        for _ in range(2):
            iloc = self.child(b'iloc')
            iloc[1] = iloc_body()
            meta = box(b'meta', self.meta_head + b''.join(box(t, b) for t, b in self.meta))
            head = box(b'ftyp', self.ftyp) + meta
            shift = len(head) + 8 - self.old_mdat
            for it in items:
                if it[1] == 0:
                    for e in it[4]:
                        e[0] += shift
            self.old_mdat += shift
        open(path, 'wb').write(head + box(b'mdat', self.mdat))

def irot(src, dst, everything):
    h = Heif(src)
    index = h.add_property(box(b'irot', bytes([1])))  # 90 degrees anti-clockwise
    _, items = h.parse_iloc()
    for iid in ([it[0] for it in items] if everything else [h.primary()]):
        if h.property_indices(iid):
            h.associate(iid, index)
    h.write(dst)

irot('cw8.heic', 'heic_irot.heic', False)
irot('cw8.avif', 'avif_irot.avif', False)
# The primary turned, its thumbnail not: the thumbnail shows another picture and must not be used.
irot('cw8_thumb.heic', 'heic_thumbnail_other_turn.heic', False)
h = Heif('heic_plain.heic')
h.set_ispe(h.primary(), 60000, 60000)
h.write('heic_huge_size.heic')
# An image sequence: a movie box beside the still picture, as an animated AVIF has, and its
# brand. heif-enc writes no sequence; the boxes say enough for a reader to see one.
data = open('avif_plain.avif', 'rb').read()
ftyp_size = u32(data, 0)
mvhd = box(b'mvhd', b'\0' * 100)
with open('avif_animated.avif', 'wb') as out:
    out.write(data[:8] + b'avis' + data[12:ftyp_size] + data[ftyp_size:] + box(b'moov', mvhd))
# A grid whose own size says 64 x 48 but whose description would make 30,000 x 30,000 pixels.
h = Heif('heic_plain.heic')
h.add_grid(4, 4, 30000, 30000, 64, 48)
h.write('heic_grid_huge.heic')
EOF

# --- TIFF
convert base.ppm -strip -compress None tiff_plain.tif
convert base.ppm -strip -compress LZW tiff_lzw.tiff
convert alpha.pam -strip -compress LZW tiff_alpha.tif
convert cw8.ppm -strip -compress None tiff_orient8.tif
exif -Orientation#=8 tiff_orient8.tif
convert cw6.ppm -strip -compress LZW tiff_orient6_meta.tif
exif -Orientation#=6 "${meta[@]}" tiff_orient6_meta.tif
tiffcp tiff_plain.tif tiff_lzw.tiff tiff_two_pages.tif

# --- Crafted: an animated PNG, headers that claim 100,000 x 100,000 pixels.
python3 - <<'EOF'
import struct, zlib

def chunk(t, body):
    return struct.pack('>I', len(body)) + t + body + struct.pack('>I', zlib.crc32(t + body))

def rows(w, h, colour):
    return zlib.compress(b''.join(b'\0' + bytes(colour) * w for _ in range(h)))

sig = b'\x89PNG\r\n\x1a\n'
w, h = 16, 12
ihdr = chunk(b'IHDR', struct.pack('>IIBBBBB', w, h, 8, 2, 0, 0, 0))
def fctl(seq): return chunk(b'fcTL', struct.pack('>IIIIIHHBB', seq, w, h, 0, 0, 1, 10, 0, 0))
apng = (sig + ihdr + chunk(b'acTL', struct.pack('>II', 2, 0)) + fctl(0) +
        chunk(b'IDAT', rows(w, h, (255, 0, 0))) + fctl(1) +
        chunk(b'fdAT', struct.pack('>I', 2) + rows(w, h, (0, 0, 255))) + chunk(b'IEND', b''))
open('png_animated.png', 'wb').write(apng)

huge = (sig + chunk(b'IHDR', struct.pack('>IIBBBBB', 100000, 100000, 8, 2, 0, 0, 0)) +
        chunk(b'IDAT', zlib.compress(b'\0' * 64)) + chunk(b'IEND', b''))
open('png_huge_header.png', 'wb').write(huge)

# A little-endian TIFF of 100,000 x 100,000 RGB pixels in one strip of 64 bytes.
entries = [(256, 4, 1, 100000), (257, 4, 1, 100000), (258, 3, 1, 8), (259, 3, 1, 1),
           (262, 3, 1, 2), (273, 4, 1, 0), (277, 3, 1, 3), (278, 4, 1, 100000),
           (279, 4, 1, 64)]
ifd_at = 8
data_at = ifd_at + 2 + 12 * len(entries) + 4
out = b'II*\0' + struct.pack('<I', ifd_at) + struct.pack('<H', len(entries))
for tag, typ, count, value in entries:
    if tag == 273:
        value = data_at
    packed = struct.pack('<H', value) + b'\0\0' if typ == 3 else struct.pack('<I', value)
    out += struct.pack('<HHI', tag, typ, count) + packed
out += struct.pack('<I', 0) + b'\0' * 64
open('tiff_huge_header.tif', 'wb').write(out)
EOF

# --- Cut short, and named for another kind.
cut() { head -c "$(( $(stat -c %s "$1") * $2 / 100 ))" "$1" > "$3"; }
cut png_plain.png 60 png_truncated.png
cut webp_lossy.webp 70 webp_truncated.webp
cut heic_plain.heic 80 heic_truncated.heic
cut tiff_plain.tif 50 tiff_truncated.tif
cp heic_plain.heic heic_named.jpg
cp png_plain.png png_named.webp
cp webp_lossy.webp webp_named.png

cp rgb.icc fixture_rgb.icc
for f in *.png *.webp *.avif *.heic *.tif *.tiff *.jpg fixture_rgb.icc; do
  case $f in
    alpha.png|f1.png|f2.png|cw8.png|meta.jpg|cw8.heic|cw8.avif|cw8_thumb.heic) continue ;;
  esac
  cp "$f" "$here/$f"
done
echo "make_fixtures: $(ls "$here" | grep -vc -e README -e LICENSE -e make_fixtures) files in $here" >&2
