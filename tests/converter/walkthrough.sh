#!/usr/bin/env bash
# A user's walk through the converter on a virtual screen, with screenshots:
# a program folder holding the older release's two databases (as Jet files),
# MOXConvert started, A-1 mapped to slot 3 and B-2 to slot 7, the conversion
# confirmed; then the main program started on the converted database.
#
#   xvfb-run -a -s "-screen 0 1280x1024x24" tests/converter/walkthrough.sh BUILD_DIR OUT_DIR
#
# Needs xdotool and ImageMagick's import. Leaves the screenshots, the
# program folder and the converted rows (rows.txt) in OUT_DIR.
set -euo pipefail
build="$(cd "$1" && pwd)"
out="$(mkdir -p "$2" && cd "$2" && pwd)"
folder="$out/program"
rm -rf "$folder" && mkdir -p "$folder"
for f in MOXConvert VXMOX VXMOX2_ORG.MDB libPrismet.so libMolarix.so; do cp -p "$build/program/$f" "$folder/"; done
cp -r "$build/program/wave" "$folder/" 2>/dev/null || true
cp "$build/tests/data/old_release/jet/vexaMOX.MDB" "$build/tests/data/old_release/jet/vexaMOXDH.MDB" "$folder/"
export VXMOX_REGISTRY="$out/registry.ini"

shot() { sleep 0.4; import -window root "$out/$1.png"; echo "screenshot $1"; }
centre_of() {  # window name -> "x y" of its centre
    local id; id=$(xdotool search --sync --name "$1" | tail -1)
    eval "$(xdotool getwindowgeometry --shell "$id")"
    echo "$((X + WIDTH / 2)) $((Y + HEIGHT / 2))"
}
origin_of() {
    local id; id=$(xdotool search --sync --name "$1" | tail -1)
    eval "$(xdotool getwindowgeometry --shell "$id")"
    echo "$X $Y"
}
click_at() { xdotool mousemove "$1" "$2" click 1; sleep 0.3; }
# Answers the message box titled $1 with Enter (its default button).
answer_box() {
    read -r x y < <(centre_of "$1")
    xdotool mousemove "$x" "$y"; sleep 0.2; xdotool key Return; sleep 0.5
}

cd "$folder"
./MOXConvert &
convert_pid=$!
sleep 2.8
shot 1_splash
xdotool search --sync --name "MOX2.5 コンバート" >/dev/null
sleep 0.8
shot 2_window

# Form coordinates of the numbers (see convert_window.cpp).
read -r ox oy < <(origin_of "MOX2.5 コンバート")
click_at $((ox + 95)) $((oy + 441))    # A-1
click_at $((ox + 392)) $((oy + 493))   # target 3
click_at $((ox + 225)) $((oy + 467))   # B-2
click_at $((ox + 392)) $((oy + 597))   # target 7
shot 3_mapped

# The main program is refused while the converter runs.
VXMOX_REGISTRY="$out/registry.ini" ./VXMOX &
vxmox_pid=$!
sleep 1.5
shot 4_main_program_refused
answer_box "同時起動"
wait $vxmox_pid || echo "VXMOX ended with $?"

click_at $((ox + 125)) $((oy + 730))   # コンバート開始
sleep 0.3
shot 5_confirm
answer_box "確認"
sleep 1
shot 6_completed
answer_box "完了"
shot 7_window_after
click_at $((ox + 285)) $((oy + 730))   # 終了
wait $convert_pid || true

sqlite3 "$folder/VXMOX2.MDB" \
    "SELECT 'TPatient', ID, KalteNumber, Name, BirthDay, Sex FROM TPatient WHERE ID IN (3, 7);
     SELECT 'TExamData', PatientID, COUNT(*), MIN(ID), MAX(ID), group_concat(DISTINCT Comment) FROM TExamData
       WHERE PatientID IN (3, 7) GROUP BY PatientID;
     SELECT 'counter', ExamData FROM TNextAutoNumber;" > "$out/rows.txt"
ls "$folder"/VXMOX2_*.mdb >> "$out/rows.txt"

# The main program starts on the converted database; with no chart screen
# yet, its empty main window is all there is to show.
VXMOX_TEST_LOG="$out/vxmox.log" VXMOX_MSGBOX_ANSWERS=7 VXMOX_CLOSE_MAIN_AFTER_MS=3000 ./VXMOX &
vxmox_pid=$!
sleep 3.5
shot 8_main_program
wait $vxmox_pid || echo "VXMOX ended with $?"
sqlite3 "$folder/VXMOX2.MDB" "SELECT 'after VXMOX', PatientID, COUNT(*), group_concat(DISTINCT Comment) FROM TExamData
    WHERE PatientID IN (3, 7) GROUP BY PatientID; PRAGMA integrity_check;" >> "$out/rows.txt"
cat "$out/rows.txt"
