#!/usr/bin/env bash
# Makes the metadata fixtures of this folder from the small pictures of ../jpeg/good, ../gif and
# ../formats with exiftool (Debian package libimage-exiftool-perl); run it here after changing it,
# and commit what it writes. Every value is written by exiftool except the few byte forms it cannot write
# (a CP932 description, a JIS user comment), which are written as bytes.
set -euo pipefail
cd "$(dirname "$0")"
command -v exiftool >/dev/null || { echo "make_fixtures.sh: exiftool is needed" >&2; exit 1; }
tiny=../jpeg/good/mozilla_jpg-size-16x16.jpg
et() { exiftool -q -q -overwrite_original "$@"; }
from() { cp "$1" "$2"; chmod 644 "$2"; }

# Where it was taken, in every carrier, beside what is no location and must stay.
location=(
  -GPSLatitude=35.6586 -GPSLatitudeRef=N -GPSLongitude=139.7454 -GPSLongitudeRef=E
  -GPSAltitude=12 -GPSAltitudeRef=0
  "-XMP-exif:GPSLatitude=35,39.516N" "-XMP-exif:GPSLongitude=139,44.724E"
  -XMP-photoshop:City=Tokyo -XMP-photoshop:State=Tokyo -XMP-photoshop:Country=Japan
  -XMP-iptcCore:Location=Shiba -XMP-iptcCore:CountryCode=JP -XMP-iptcExt:LocationShownCity=Minato
  -IPTC:City=Tokyo -IPTC:Sub-location=Shiba -IPTC:Province-State=Tokyo
  -IPTC:Country-PrimaryLocationCode=JPN -IPTC:Country-PrimaryLocationName=Japan
)
kept=(
  "-DateTimeOriginal=2024:05:01 18:30:00" -Artist=Hana -IPTC:Keywords=tower
  -XMP-dc:Creator=Hana -XMP-dc:Description=東京タワー
)
# 227 x 149: no turn of it is lossless, so a turned copy is re-encoded.
from ../jpeg/good/ljt_testorig.jpg location_everywhere.jpg
et -charset iptc=UTF8 -IPTC:CodedCharacterSet=UTF8 "${location[@]}" "${kept[@]}" \
  location_everywhere.jpg
# 32 x 32: every turn is lossless.
from ../jpeg/good/mozilla_jpg-size-32x32.jpg location_everywhere_32.jpg
et -charset iptc=UTF8 -IPTC:CodedCharacterSet=UTF8 "${location[@]}" "${kept[@]}" \
  location_everywhere_32.jpg
# Only the XMP packet tells.
from "$tiny" location_xmp_only.jpg
et "-XMP-exif:GPSLatitude=35,39.516N" "-XMP-exif:GPSLongitude=139,44.724E" -XMP-dc:Creator=Hana \
  location_xmp_only.jpg
# Every other kind the programs read, in every carrier it has (exiftool writes IPTC into a PNG
# and a TIFF only); the same pictures carry a caption and a capture time.
for f in png_plain.png webp_lossy.webp avif_plain.avif heic_plain.heic tiff_lzw.tiff; do
  out=location_everywhere.${f##*.}
  from ../formats/$f "$out"
  et -charset iptc=UTF8 "${location[@]}" "${kept[@]}" -OffsetTimeOriginal=+09:00 "$out"
done
# A GIF tells in its XMP application extension.
from ../gif/ig_2x2.gif location_xmp.gif
et "-XMP-exif:GPSLatitude=35,39.516N" "-XMP-exif:GPSLongitude=139,44.724E" \
  -XMP-photoshop:City=Tokyo -XMP-dc:Description=二画素 location_xmp.gif
# A camera's metadata with no location at all.
from "$tiny" no_location.jpg
et -Artist=Hana "-DateTimeOriginal=2024:05:01 18:30:00" -XMP-dc:Creator=Hana no_location.jpg

# Captions: every field at once (XMP wins), then IPTC over Exif, then each field alone.
from "$tiny" caption_every_field.jpg
et -charset iptc=UTF8 -IPTC:CodedCharacterSet=UTF8 -XMP-dc:Description=XMPの説明 \
  -IPTC:Caption-Abstract=IPTCの説明 -ImageDescription=Exifの説明 -UserComment=コメント \
  -XPComment=XPの説明 caption_every_field.jpg
from "$tiny" caption_iptc_over_exif.jpg
et -charset iptc=UTF8 -IPTC:CodedCharacterSet=UTF8 -IPTC:Caption-Abstract=IPTCの説明 \
  -ImageDescription=Exifの説明 caption_iptc_over_exif.jpg
from "$tiny" caption_usercomment_utf16be.jpg
et -ExifByteOrder=MM -UserComment=夕焼けの富士山 caption_usercomment_utf16be.jpg
from "$tiny" caption_usercomment_utf16le.jpg
et -ExifByteOrder=II -UserComment=夕焼けの富士山 caption_usercomment_utf16le.jpg
from "$tiny" caption_xpcomment.jpg
et -XPComment=窓辺の犬 caption_xpcomment.jpg
# "桜の花" in CP932, as older Japanese software wrote it.
from "$tiny" caption_cp932.jpg
printf '\x8d\xf7\x82\xcc\x89\xd4' >cp932.tmp
et '-ImageDescription<=cp932.tmp' caption_cp932.jpg
rm cp932.tmp
# "桜花" in JIS X 0208: exiftool writes ASCII user comments only, so an ASCII one of the same
# length is written and its code and text are then put in place.
from "$tiny" caption_usercomment_jis.jpg
et -UserComment=@@@@ caption_usercomment_jis.jpg
python3 - caption_usercomment_jis.jpg <<'PY'
import sys
path = sys.argv[1]
data = open(path, 'rb').read()
old = b'ASCII\0\0\0@@@@'
assert data.count(old) == 1
open(path, 'wb').write(data.replace(old, b'JIS\0\0\0\0\0' + bytes([0x3a, 0x79, 0x32, 0x56])))
PY
# Boilerplate only: the camera's name, a copy of its model, blanks.
from "$tiny" caption_boilerplate.jpg
et "-Make=OLYMPUS IMAGING CORP." -Model=E-M5 "-ImageDescription=OLYMPUS DIGITAL CAMERA" \
  "-UserComment=   " caption_boilerplate.jpg
# A model echoed in the description, and a real caption after it.
from "$tiny" caption_after_model_echo.jpg
et -Make=Canon "-Model=Canon EOS 5D" "-ImageDescription=Canon EOS 5D" -UserComment=本当の説明 \
  caption_after_model_echo.jpg

# Capture times across a change of time zone. By the clock on the wall b comes first; by the
# moment it is a (09:30Z), d (09:30:00.50Z), c (09:30:00.7Z), b (10:00Z), then the undated.
date() { # NAME DATE SUBSEC OFFSET
  from "$tiny" "$1"
  local args=("-DateTimeOriginal=$2" "-OffsetTimeOriginal=$4")
  [ -z "$3" ] || args+=("-SubSecTimeOriginal=$3")
  et "${args[@]}" "$1"
}
date date_a_tokyo.jpg "2024:05:01 18:30:00" "" "+09:00"
date date_b_paris.jpg "2024:05:01 12:00:00" "" "+02:00"
date date_c_tokyo_subsec7.jpg "2024:05:01 18:30:00" "7" "+09:00"
date date_d_tokyo_subsec50.jpg "2024:05:01 18:30:00" "50" "+09:00"
from "$tiny" date_undated.jpg
