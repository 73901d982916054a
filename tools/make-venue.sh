#!/usr/bin/env bash
# Lays out a sample venue in DIR: the program beside a list.mdb whose shows are
# dated from now, or from MOMENT ("YYYY-MM-DD HH:MM:SS", local time) when it is
# given (today, tomorrow, later, one running several days), the announcement
# slots in force, poster pictures (one missing) and scene files.
# usage: tools/make-venue.sh DIR BUILD_DIR [MOMENT]
set -euo pipefail
# Dated from MOMENT: the same script on a clock that starts there.
[ $# -ge 3 ] && exec faketime "$3" "$0" "$1" "$2"
dir=$1
build=$2
mkdir -p "$dir/medias" "$dir/templates"
cp "$build/cycle/billora" "$dir/billora"

when() { date -d "$1" '+%F %T'; }
day() { date -d "$1" '+%F'; }
tab=$'\t'
row() { local IFS=$tab; echo "row $*"; }

{
  echo "table shows"
  for c in "id long" "name text" "date datetime" "where text" "text1 text" "text2 text" \
           "visual text" "ndays int"; do echo "column $c"; done
  row 1 "Carmen" "$(date -d '+2 hours' '+%F %H:00:00')" "Grande salle" '\N' '\N' carmen.svg 1
  row 2 "Tosca" "$(date -d '+3 hours 30 minutes' '+%F %H:%M:00')" '' '\N' '\N' tosca.svg '\N'
  row 3 "La Traviata" "$(day tomorrow) 20:30:00" "Salle Molière" '\N' '\N' traviata.svg 1
  row 4 "Le Lac des cygnes" "$(day '+3 days') 15:00:00" '' '\N' '\N' lac.svg 1
  row 5 "Festival d'été" "$(day yesterday) 18:00:00" "Jardin" '\N' '\N' festival.svg 5
  row 6 "Don Giovanni" "$(day '+10 days') 20:00:00" '' '\N' '\N' giovanni.svg 1
  row 7 "Nabucco" "$(when '-2 days')" '' '\N' '\N' nabucco.svg 1
  echo "table annonces"
  for c in "template text" "duration int" "starting datetime" "ending datetime"; do
    echo "column $c"
  done
  row annonce-bar 8 "$(when yesterday)" "$(when '+30 days')"
  row annonce-billetterie 6 "$(when '-1 hour')" "$(when '+7 days')"
  row annonce-ancienne 10 "$(when '-10 days')" "$(when '-1 day')"
} > "$dir/list.txt"
"$build/tools/mdbwrite" "$dir/list.txt" "$dir/list.mdb"
rm "$dir/list.txt"

poster() {
  cat > "$dir/medias/$1" <<SVG
<svg xmlns="http://www.w3.org/2000/svg" width="600" height="850">
  <rect width="600" height="850" fill="$2"/>
  <text x="300" y="425" font-size="56" text-anchor="middle" fill="white">$3</text>
</svg>
SVG
}
poster carmen.svg '#a02020' 'Carmen'
poster tosca.svg '#204080' 'Tosca'
poster traviata.svg '#602060' 'La Traviata'
poster lac.svg '#207060' 'Le Lac des cygnes'
poster festival.svg '#c08020' "Festival d'été"
poster nabucco.svg '#404040' 'Nabucco'
# giovanni.svg is left out on purpose: the display warns and skips it.

# Scene files (docs/scene-files.md): placed objects, or bare object names that
# take their default place.
scene() { cat > "$dir/templates/$1.kivo"; }
scene billorav <<'KIVO'
# One poster and its caption.
scene background #14182A colour #F4EEE0
cache
affiche place 660 40 size 600 850
titre place 60 910 size 1800 140 font-size 72
KIVO
scene billora2v <<'KIVO'
# The next two shows.
scene background #1E1428 colour #F4EEE0
cache
affiche1 place 180 40 size 600 850
titre1 place 40 910 size 880 140 font-size 60
affiche2 place 1140 40 size 600 850
titre2 place 1000 910 size 880 140 font-size 60
KIVO
{
  echo "# Today's programme: 18 slots in their default places, each time under its poster."
  echo "scene background #101010 colour #FFD890"
  echo cache
  for i in $(seq 1 18); do printf '\\affiche%d\\affiche\n\\affiche%d\\text\n' "$i" "$i"; done
} | scene billora3v
scene annonce-bar <<'KIVO'
scene background #3A2410 colour #FFF4E0
cache
annonce place 160 340 size 1600 400 font-size 110 text "Le bar est ouvert avant le spectacle et à l'entracte"
KIVO
scene annonce-billetterie <<'KIVO'
scene background #10303A colour #E8FFF8
cache
annonce place 160 300 size 1600 320 font-size 96 text "Billetterie ouverte du mardi au samedi, de 13 h à 19 h"
horaires place 160 700 size 1600 120 font-size 56 colour #A0E0D0 text "Réservations : billetterie@theatre.example"
KIVO
scene annonce-ancienne <<'KIVO'
scene background #303030
cache
annonce place 160 340 size 1600 400 font-size 96 text "Cette annonce n'est plus en vigueur"
KIVO
echo "Sample venue ready in $dir"
