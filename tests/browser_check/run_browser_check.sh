#!/usr/bin/env bash
# Builds albums with pictavo-cli and checks them in headless Chromium (check_album.mjs).
#   run_browser_check.sh PICTAVO_CLI [SCREENSHOT]
# Albums: the sample album of samples/, and two of tests/data: the photographs
# and the GIFs with every page feature on (paging, slide shows, preview script, materials, comments,
# a turned picture), and the photographs alone with the defaults. Then one folder of hostile file
# names (markup, entities, quotes, URL characters, TAB/CR/LF, leading dashes, Japanese), built with plain links and
# with the preview script, each with slide shows, once into its own folders and once into the
# picture folder itself (links then start with the bare file name); a back link and material names
# that try to break out of their attribute and folder. And an album of every kind of picture (PNG,
# WebP, AVIF, HEIC, TIFF besides JPEG, GIF and BMP; alpha, 16 bits, orientations, upper-case
# extensions, a turned PNG), with the preview script and slide shows, into its own folders and into
# the picture folder itself (display copies then in the thumbnail folder).
# Then the same in the modern page style (page_style=1): the featured album, the hostile names in
# their own folders and in the picture folder, and the sample album; these are also checked as a phone and a wide screen show them, and
# their screenshots are SCREENSHOT's name with "-modern-390-light.png" and the like.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
cli=$(realpath "${1:?usage: run_browser_check.sh PICTAVO_CLI [SCREENSHOT]}")
screenshot=${2:-$root/docs/album-browser.png}
testdata=${PICTAVO_TESTDATA_DIR:-$root/tests/data}
chromium=${CHROMIUM:-/usr/bin/chromium}

if [ ! -d "$here/node_modules/playwright-core" ] || [ ! -d "$here/node_modules/axe-core" ]; then
  (cd "$here" && PLAYWRIGHT_SKIP_BROWSER_DOWNLOAD=1 npm ci --no-audit --no-fund --silent)
fi

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# A profile that does not exist: every album starts from the built-in defaults.
profile=$work/none.ini
albums=()

# Runs pictavo-cli; its messages are shown only when it fails.
build_album() {
  if ! "$cli" -q --profile "$profile" "$@" >/dev/null 2>"$work/cli.log"; then
    cat "$work/cli.log" >&2
    echo "browser check: pictavo-cli $* failed" >&2
    exit 1
  fi
}

# The program finds its materials under the start directory, as the album maker does.
cd "$root"

mkdir -p "$work/featured"
cp "$testdata"/photos/*.jpg "$testdata"/photos/*.JPG "$testdata"/gif/*.gif "$work/featured/"
featured_settings=(--set slide_mode=1 --set html_page=1 --set thumbnail_rows=2 --set thumbnail_cols=3
  --set brws_mode=1 --set html_marquee=1 --set html_title="夏のアルバム & <テスト>"
  --set name_bg=sakura.png --set name_hr=line_sakura.png --set name_bgm=haru_no_uta.wav
  --comment 'ladybird.jpg=テントウムシ "ladybird" & <葉>\n二行目' --turn 'wood_planks.jpg=1')
build_album -o "$work/album-featured" "${featured_settings[@]}" "$work/featured"
albums+=("$work/album-featured/my.html")

build_album -o "$work/album-photos" "$testdata/photos"
albums+=("$work/album-photos/my.html")

# Copies of the test photographs (and one GIF, which has no thumbnail) under hostile names.
make_hostile_folder() {
  local folder=$1
  local names=(
    '<img src=x onerror=alert(1)>.jpg'
    'x&apos;);alert(1);void(&apos;.jpg'
    "x');alert(1);('.jpg"
    'a&amp;b &copy &lt;b&gt;.jpg'
    'x onerror=alert(1) y.jpg'
    "'q'onerror=alert(1) .jpg"
    '<script>alert(1)<!--.jpg'
    "it's \"quoted\".jpg"
    'photo#1 100% why?.jpg'
    $'tab\there.jpg'
    $'cr\rhere.jpg'
    $'lf\nhere.jpg'
    'back\slash.jpg'
    'javascript:alert(1).jpg'
    ' lead space.jpg'
    '--leading dashes -1.jpg'
    '〜波ダッシュ.jpg'
    '🌸 花.jpg'
  )
  local photos=("$testdata"/photos/*.jpg "$testdata"/photos/*.JPG)
  mkdir -p "$folder"
  cp "${photos[@]}" "$folder/"
  local i=0
  for name in "${names[@]}"; do
    cp "${photos[i % ${#photos[@]}]}" "$folder/$name"
    i=$((i + 1))
  done
  cp "$testdata/gif/gen_photo_400x315_static.gif" "$folder/<b>&amp; \"gif\".gif"
}

hostile_settings=(--set slide_mode=1 --set name_bg=../BKGROUND/sakura.png --set name_hr=line_sakura.png
  --set 'name_bgm=..' --set 'back_url=my.html?a=1&copy=2" onmouseover="alert(1)')
make_hostile_folder "$work/hostile"
build_album -o "$work/album-hostile-links" "${hostile_settings[@]}" --set brws_mode=0 "$work/hostile"
albums+=("$work/album-hostile-links/my.html")
build_album -o "$work/album-hostile-preview" "${hostile_settings[@]}" --set brws_mode=1 \
  --set html_page=1 --set thumbnail_rows=2 --set thumbnail_cols=4 "$work/hostile"
albums+=("$work/album-hostile-preview/my.html")
for mode in 0 1; do
  make_hostile_folder "$work/hostile-in-place-$mode"
  build_album "${hostile_settings[@]}" --set out_sorce=1 --set brws_mode=$mode "$work/hostile-in-place-$mode"
  albums+=("$work/hostile-in-place-$mode/my.html")
done

# Every kind the album decodes, each copied, turned or given a JPEG display copy.
make_kinds_folder() {
  local folder=$1 f
  mkdir -p "$folder"
  for f in png_plain png_alpha png_palette png_interlaced png_16bit_alpha png_exif6_meta png_exif8 \
    webp_lossy webp_lossless webp_alpha webp_exif6_meta webp_exif8 avif_plain avif_alpha avif_irot \
    heic_plain heic_irot heic_exif6_meta heic_thumbnail tiff_plain tiff_lzw tiff_alpha tiff_orient8 \
    tiff_orient6_meta; do
    cp "$testdata"/formats/"$f".* "$folder/"
  done
  cp "$testdata/formats/heic_plain.heic" "$folder/IMG_0001.HEIC"
  cp "$testdata/formats/png_alpha.png" "$folder/SCREEN.PNG"
  cp "$testdata/formats/tiff_lzw.tiff" "$folder/scan.TIF"
  cp "$testdata/photos/ladybird.jpg" "$testdata/gif/gen_photo_400x315_static.gif" "$folder/"
}
make_kinds_folder "$work/kinds"
build_album -o "$work/album-kinds" --set slide_mode=1 --set brws_mode=1 --set html_page=1 \
  --set thumbnail_rows=3 --set thumbnail_cols=5 --turn SCREEN.PNG=1 --turn webp_lossless.webp=3 \
  --turn avif_plain.avif=2 --turn IMG_0001.HEIC=1 "$work/kinds"
albums+=("$work/album-kinds/my.html")
make_kinds_folder "$work/kinds-in-place"
build_album --set out_sorce=1 --set slide_mode=1 "$work/kinds-in-place"
albums+=("$work/kinds-in-place/my.html")
# The modern pages: the featured album and the hostile names again.
modern=()
build_album -o "$work/album-featured-modern" "${featured_settings[@]}" --set page_style=1 \
  "$work/featured"
modern+=("$work/album-featured-modern/my.html")
build_album -o "$work/album-hostile-modern" "${hostile_settings[@]}" --set page_style=1 \
  --set html_page=1 --set thumbnail_rows=3 --set thumbnail_cols=4 "$work/hostile"
modern+=("$work/album-hostile-modern/my.html")
make_hostile_folder "$work/hostile-in-place-modern"
build_album "${hostile_settings[@]}" --set page_style=1 --set out_sorce=1 "$work/hostile-in-place-modern"
modern+=("$work/hostile-in-place-modern/my.html")

# The sample album, made as scripts/run makes it: the sample profile (its own page and folder names,
# two pages, slide shows) over samples/photos.
sample_index=$("$cli" -q --profile "$root/samples/sample_profile.ini" -o "$work/album-samples" \
  --comment "桜.jpg=テントウムシと桜の葉\n(LadyBird, Charles Barbin)" "$root/samples/photos" \
  2>"$work/cli.log") || {
  cat "$work/cli.log" >&2
  echo "browser check: the sample album could not be made" >&2
  exit 1
}
albums+=("$sample_index")
# The sample album in the modern style, with the wallpaper, rule and music of the featured one: the
# screenshots of the README.
modern_index=$("$cli" -q --profile "$root/samples/sample_profile.ini" -o "$work/album-samples-modern" \
  --set page_style=1 --set name_bg=sakura.png --set name_hr=line_sakura.png \
  --set name_bgm=haru_no_uta.wav \
  --comment "桜.jpg=テントウムシと桜の葉\n(LadyBird, Charles Barbin)" "$root/samples/photos" \
  2>"$work/cli.log") || {
  cat "$work/cli.log" >&2
  echo "browser check: the modern sample album could not be made" >&2
  exit 1
}
modern=("$modern_index" "${modern[@]}")
modern_args=()
for page in "${modern[@]}"; do modern_args+=(--modern "$page"); done

node "$here/check_album.mjs" --chromium "$chromium" --screenshot "$screenshot" \
  --modern-screenshots "${screenshot%.png}-modern" "${modern_args[@]}" "${albums[@]}"
