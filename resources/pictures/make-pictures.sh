#!/usr/bin/env bash
# Regenerates the window pictures with ImageMagick: tool-bar icons (20 x 19 pixels),
# navigation and small buttons, the width handle and the logo. Run from this folder.
set -euo pipefail
c='#b4b4c0'   # icon strokes
a='#e0b44a'   # accent
icon() { convert -size 20x19 xc:none -stroke "$c" -strokewidth 1.5 -fill none "$@"; }

icon -draw 'rectangle 3,4 16,15' -draw 'line 10,6 10,13' -draw 'line 6,9.5 14,9.5' tool-add-picture.png
icon -draw 'polyline 2,5 7,5 9,7 17,7 17,15 2,15 2,5' -stroke "$a" -draw 'line 10,9 10,14' -draw 'line 7.5,11.5 12.5,11.5' tool-add-folder.png
icon -draw 'rectangle 4,3 15,16' -draw 'rectangle 7,1 12,4' -stroke "$a" -draw 'line 7,9 12,9' -draw 'line 7,12 12,12' tool-paste.png
icon -draw 'rectangle 5,5 14,16' -draw 'line 3,4 16,4' -draw 'line 8,2 11,2' -stroke '#d06060' -draw 'line 8,8 11,13' -draw 'line 11,8 8,13' tool-delete.png
convert -size 20x18 xc:none -stroke "$c" -strokewidth 1.5 -fill none -draw 'circle 8,8 8,3' -strokewidth 2.5 -draw 'line 12,12 17,17' tool-find.png
icon -draw 'polyline 2,7 2,2 7,2' -draw 'polyline 13,2 18,2 18,7' -draw 'polyline 2,12 2,17 7,17' -draw 'polyline 13,17 18,17 18,12' tool-full-screen.png
icon -draw 'rectangle 2,3 18,15' -fill "$a" -stroke none -draw 'polygon 8,6 8,12 13,9' tool-slide-show.png
icon -draw 'rectangle 2,2 8,8' -draw 'rectangle 11,2 17,8' -draw 'rectangle 2,11 8,17' -draw 'rectangle 11,11 17,17' tool-thumbnails.png
icon -draw 'rectangle 3,2 14,17' -draw 'line 6,6 11,6' -draw 'line 6,9 11,9' -draw 'line 6,12 9,12' -stroke "$a" -draw 'line 12,15 18,9' tool-view-editor.png
icon -draw 'ellipse 9,10 7,6 0,360' -fill "$a" -stroke none -draw 'circle 6,8 6,9.3' -fill '#60a0d0' -draw 'circle 10,7 10,8.3' -fill '#d06060' -draw 'circle 13,10 13,11.3' tool-view-paint.png
icon -draw 'circle 10,9.5 10,2' -draw 'ellipse 10,9.5 3.5,7.5 0,360' -draw 'line 2.5,9.5 17.5,9.5' tool-view-browser.png
icon -draw 'circle 10,9.5 10,2' -fill "$c" -stroke none -font DejaVu-Sans-Bold -pointsize 11 -gravity center -annotate +0+0 '?' tool-help.png

nav() { convert -size 18x18 xc:none -fill "$c" -stroke none "$@"; }
nav -draw 'rectangle 3,4 5,13' -draw 'polygon 14,4 14,13 6,8.5' nav-first.png
nav -draw 'polygon 12,4 12,13 5,8.5' nav-previous.png
nav -draw 'polygon 6,4 6,13 13,8.5' nav-next.png
nav -draw 'rectangle 12,4 14,13' -draw 'polygon 3,4 3,13 11,8.5' nav-last.png
convert -size 19x19 xc:none -stroke "$a" -strokewidth 1.5 -fill none -draw 'circle 8,8 8,3' -strokewidth 2.5 -draw 'line 12,12 17,17' find-next.png
convert -size 18x18 xc:none -stroke "$c" -strokewidth 1 -fill none -draw 'rectangle 2,3 15,14' -draw 'line 2,7 15,7' -draw 'line 2,10.5 15,10.5' -draw 'line 6,3 6,14' grid.png
convert -size 15x15 xc:none -fill "$a" -stroke none -draw 'polygon 3,3 12,7.5 3,12' go.png
convert -size 14x29 xc:none -fill '#8c8c98' -stroke none -draw 'roundrectangle 1,1 12,27 4,4' -fill '#32323a' -draw 'polygon 5,9 9,14.5 5,20' resize-handle.png

convert -size 220x150 xc:'#323232' -fill '#3c3c46' -stroke '#5a5a66' -draw 'roundrectangle 70,18 150,82 8,8' \
  -fill '#d9b44a' -stroke none -draw 'circle 128,36 128,29' -fill '#8fa6c8' -draw 'polygon 78,76 100,48 116,66 126,56 142,76' \
  -font DejaVu-Sans -pointsize 20 -fill '#a0a0a8' -gravity south -annotate +0+28 'Quillmere' \
  -pointsize 10 -fill '#78788a' -annotate +0+12 'picture catalogue' -type TrueColor BMP3:logo.bmp
for f in tool-*.png nav-*.png find-next.png grid.png go.png resize-handle.png; do convert "$f" -depth 8 "$f"; done

# The slide show's play and stop buttons.
convert -size 14x14 xc:none -fill "$c" -stroke none -draw 'polygon 3,2 3,11 11,6.5' -depth 8 play.png
convert -size 14x14 xc:none -fill "$c" -stroke none -draw 'rectangle 3,3 10,10' -depth 8 stop.png

# The save dialog's save icon (20 x 20): a floppy disk.
convert -size 20x20 xc:none -stroke "$c" -strokewidth 1.5 -fill none -draw 'polyline 2,2 15,2 18,5 18,18 2,18 2,2' \
  -draw 'rectangle 6,2 14,7' -fill "$a" -stroke none -draw 'rectangle 5,11 15,18' -depth 8 save.png

# The File menu's item icons, dark on the panel's light gutter (17 x 17 pixels).
d='#50505a'
menu() { convert -size 17x17 xc:none -stroke "$d" -strokewidth 1.3 -fill none "${@:1:$#-1}" -depth 8 "${@: -1}"; }
menu -draw 'rectangle 2,2 14,14' -draw 'rectangle 5,2 11,6' -draw 'rectangle 4,9 12,14' menu-save-file.png
menu -draw 'rectangle 2,3 14,13' -fill "$a" -stroke none -draw 'polygon 4,11 7,7 9,9 10,8 12,11' menu-save-jpg.png
menu -draw 'rectangle 2,2 10,11' -draw 'rectangle 6,6 14,15' menu-copy.png
menu -draw 'rectangle 3,8 13,14' -draw 'arc 5,2 11,12 180,360' menu-password.png
menu -draw 'ellipse 8.5,4 5.5,2 0,360' -draw 'line 3,4 3,13' -draw 'line 14,4 14,13' -draw 'ellipse 8.5,13 5.5,2 0,180' -stroke "$a" -draw 'line 8.5,7 8.5,11' menu-compact.png
menu -draw 'circle 8.5,8.5 8.5,2' -fill "$d" -stroke none -draw 'rectangle 7.8,7 9.2,12' -draw 'circle 8.5,4.8 8.5,5.7' menu-about.png

# The "Cancel" picture button beside the "Ok" one (87 x 25 pixels, the same gradient).
convert -size 87x25 gradient:'#8e8e9f'-'#3e3e46' -fill none -stroke '#202024' -strokewidth 1 \
  -draw 'roundrectangle 0,0 86,24 3,3' -font DejaVu-Sans-Bold -pointsize 11 -fill '#ebebf0' -stroke none \
  -gravity center -annotate +0+0 'Cancel' -depth 8 cancel-button.png

# The thumbnails window's page buttons (40 x 27 pixels): bar and triangle.
thumbs() { convert -size 40x27 xc:none -fill "$c" -stroke none "$@"; }
thumbs -draw 'rectangle 11,7 13,19' -draw 'polygon 27,7 27,19 16,13' -depth 8 thumbs-previous.png
thumbs -draw 'polygon 13,7 13,19 24,13' -draw 'rectangle 27,7 29,19' -depth 8 thumbs-next.png

# The add-folder panel's "Cancel" picture (19 x 19 pixels); its "Go" is go.png.
convert -size 19x19 xc:none -stroke "$c" -strokewidth 2 -fill none -draw 'line 5,5 13,13' -draw 'line 13,5 5,13' -depth 8 panel-cancel.png

# The edit windows' Reload button: a circling arrow.
convert -size 24x24 xc:none -stroke '#b4b4c0' -strokewidth 2.2 -fill none -draw 'arc 4,4 20,20 0,290' \
  -stroke none -fill "$a" -draw 'polygon 12.5,1 17.5,4.3 12.5,7.6' -depth 8 reload.png

# The Filters window's colour-picker pointer (32 x 32, two colours): an eyedropper whose
# tip, the pointer's hot spot, is at (9, 20).
convert -size 32x32 xc:none +antialias -fill white -stroke black -strokewidth 1 \
  -draw 'polygon 9,20 10,16 19,7 22,10 13,19' -draw 'roundrectangle 19,3 27,11 3,3' \
  -draw 'line 17,6 24,13' -depth 8 eyedropper.png
