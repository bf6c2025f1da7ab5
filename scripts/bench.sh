#!/usr/bin/env bash
# Builds the benchmarks and runs them the way a clinic uses the programs: the
# screens offscreen and on an X server (Xvfb with Qt's xcb platform, which
# this script starts on a free display and stops at the end), the database
# work on the template and on a clinic's database of 120,000 examination rows
# (made once by startup_at_clinic_size_bench and kept in the build folder).
# Prints one table: what, goal, figure (median where a benchmark repeats),
# device. Backup and restore are set beside `cp` of the same file followed by
# sync of the copy (a backup is on the disk when made) and `sqlite3 FILE
# "PRAGMA integrity_check"` (both check the database whole), the exit
# compaction beside `sqlite3 FILE "VACUUM INTO ..."` and two integrity checks
# (of the database and of its copy), all measured in this run. The sound
# rows start private PulseAudio and PipeWire servers. Asserts nothing; a
# figure that a benchmark did not give shows "—".
set -uo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
bash "$here/scripts/build.sh" || exit 1
build="${MOX_BUILD_DIR:-$here/build}"
bin="$build/bench"
export MOX_PROGRAM_DIR="$build/program"
template="$MOX_PROGRAM_DIR/VXMOX2_ORG.MDB"
work="$(mktemp -d)"
xvfb_pid=""
cleanup() {
  if [[ -n $xvfb_pid ]]; then
    kill "$xvfb_pid" 2>/dev/null
    wait "$xvfb_pid" 2>/dev/null
  fi
  rm -rf "$work"
}
trap cleanup EXIT

note() { echo "bench: $*" >&2; }

clinic="$bin/clinic_120000.MDB"
if [[ ! -s $clinic || $clinic -ot $template || $clinic -ot $bin/startup_at_clinic_size_bench ]]; then
  note "making the clinic database (120,000 examination rows)"
  QT_QPA_PLATFORM=offscreen "$bin/startup_at_clinic_size_bench" --make-clinic-db "$clinic" 120000 || rm -f "$clinic"
fi
[[ -s $clinic ]] || clinic=""

# Xvfb picks a display nobody uses and writes its number to fd 3.
display=""
if command -v Xvfb >/dev/null; then
  Xvfb -displayfd 3 -screen 0 1920x1080x24 -nolisten tcp 3>"$work/display" 2>/dev/null &
  xvfb_pid=$!
  for _ in $(seq 100); do
    [[ -s $work/display ]] && break
    sleep 0.05
  done
  [[ -s $work/display ]] && display=":$(head -n1 "$work/display")"
fi
[[ -n $display ]] || note "no X server: the xcb rows stay empty"

# run OUT PLATFORM DB BINARY FILTER: one benchmark binary, its figures as JSON.
run() {
  local out=$1 platform=$2 db=$3 binary=$4 filter=$5
  [[ -x $bin/$binary ]] || return 0
  [[ $platform == xcb && -z $display ]] && return 0
  [[ $db == clinic && -z $clinic ]] && return 0
  local file=""
  case $db in template) file=$template ;; clinic) file=$clinic ;; esac
  note "$binary on $platform ($db)"
  env QT_QPA_PLATFORM="$platform" DISPLAY="$display" ${file:+MOX_BENCH_DB="$file"} \
    "$bin/$binary" --benchmark_filter="$filter" --benchmark_out="$work/$out.json" --benchmark_out_format=json \
    >/dev/null 2>"$work/$out.log" || {
    note "$binary on $platform ($db) failed:"
    tail -n 5 "$work/$out.log" >&2
  }
  return 0
}

screens_input='^BM_(ToothStateChangeRepaintsTheGrid|PatientLoad|SaveButtonWholeSequence)'
screens_chart='^BM_(ChartButtonToBothPagesAndPreview|ChartSheetToPdf)'
for platform in offscreen xcb; do
  run "input-$platform-template" "$platform" template input_screen_bench "$screens_input"
  run "input-$platform-clinic" "$platform" clinic input_screen_bench '^BM_(PatientLoad|SaveButtonWholeSequence)'
  run "chart-$platform-template" "$platform" template chart_screen_bench "$screens_chart"
done
run start-clinic offscreen clinic startup_at_clinic_size_bench '^BM_LaterStart/(0|120000)/'
run upgrade-clinic offscreen clinic startup_at_clinic_size_bench '^BM_FirstStartOnRelease010File/120000/'
run compaction offscreen clinic compaction_bench '.'
run copy-template offscreen template tools_copy_bench '^BM_(BackUp|Restore)'
run copy-clinic offscreen clinic tools_copy_bench '^BM_(BackUp|Restore)'
# The sound path against private PulseAudio and PipeWire servers: key to the
# clip at the sink (a recording of its monitor), and, on the X server, how
# late the window answers X events while the server is stopped or its sink
# gone.
run sound-offscreen offscreen none sound_bench '^KeyToSink'
run sound-xcb xcb none sound_bench '^XEventAnswer'

# A clinic's Windows (Access) database of that size (15,002 patients,
# 120,042 examination rows), made once by the conversion tests' fixture
# script, with the same rows as SQL for the sqlite3 shell (500 rows a
# statement, one transaction).
jet="$bin/windows_clinic_120000.mdb"
jet_sql="$bin/windows_clinic_120000.sql"
maker="$here/tests/records/make_windows_databases.py"
if [[ ! -s $jet || ! -s $jet_sql || $jet -ot $template || $jet -ot $maker ||
  $jet -ot $here/tests/data/old_release/jet_writer.py ]]; then
  note "making the Windows clinic database (120,042 examination rows)"
  python3 "$maker" "$template" --clinic "$jet" 15000 120000 "$jet_sql" || rm -f "$jet" "$jet_sql"
fi
[[ -s $jet ]] || jet=""
if [[ -n $jet && -x $bin/jet_conversion_bench ]]; then
  note "jet_conversion_bench (Windows clinic database)"
  MOX_BENCH_JET="$jet" "$bin/jet_conversion_bench" --benchmark_out="$work/jet.json" --benchmark_out_format=json \
    >/dev/null 2>"$work/jet.log" || {
    note "jet_conversion_bench failed:"
    tail -n 5 "$work/jet.log" >&2
  }
fi

# median_ms COMMAND...: the median wall time of five runs, in milliseconds.
median_ms() {
  local times=()
  for _ in 1 2 3 4 5; do
    rm -f "$work/out.MDB"
    local start end
    start=$(date +%s%N)
    "$@" >/dev/null 2>&1
    end=$(date +%s%N)
    times+=($(((end - start) / 1000)))
  done
  printf '%s\n' "${times[@]}" | sort -n | sed -n 3p | awk '{ printf "%.1f", $1 / 1000 }'
}
# The references, on copies in the folder where the benchmarks work (the
# temporary folder), so that both read and write the same disk.
for db in template clinic; do
  file=$template
  [[ $db == clinic ]] && file=$clinic
  [[ -n $file ]] || continue
  cp "$file" "$work/in.MDB"
  megabytes=$(stat -c %s "$file" | awk '{ printf "%.1f", $1 / 1e6 }')
  echo "cp-$db $(median_ms cp "$work/in.MDB" "$work/out.MDB") $megabytes" >>"$work/references"
  # cp leaves the copy in the page cache; a backup is on the disk (a USB
  # stick may be pulled out) before it is reported made.
  echo "cpsync-$db $(median_ms sh -c 'cp "$1" "$2" && sync "$2"' - "$work/in.MDB" "$work/out.MDB") $megabytes" \
    >>"$work/references"
  if command -v sqlite3 >/dev/null; then
    echo "vacuum-$db $(median_ms sqlite3 "$work/in.MDB" "VACUUM INTO '$work/out.MDB'") $megabytes" >>"$work/references"
    echo "check-$db $(median_ms sqlite3 "$work/in.MDB" "PRAGMA integrity_check") $megabytes" >>"$work/references"
  fi
  rm -f "$work/in.MDB" "$work/out.MDB"
done
if [[ -n $jet ]] && command -v sqlite3 >/dev/null; then
  echo "shell-jet $(median_ms sh -c 'cp "$1" "$2" && sqlite3 -bail "$2" <"$3"' - "$template" "$work/out.MDB" "$jet_sql") \
$(stat -c %s "$jet" | awk '{ printf "%.1f", $1 / 1e6 }')" >>"$work/references"
fi

# The start-up with the Windows database as VXMOX2.MDB: how soon the
# progress window shows, and when the conversion is done (the 変換完了 box),
# with the peak memory of the program and of its reader by then (the
# upgrade and the rest of the run come after).
run_windows_start() {
  local platform=$1
  [[ $platform == xcb && -z $display ]] && return 0
  [[ -n $jet && -x $MOX_PROGRAM_DIR/VXMOX ]] || return 0
  note "VXMOX on $platform (Windows clinic database)"
  local folder="$work/windows-$platform"
  cp -r "$MOX_PROGRAM_DIR" "$folder"
  QT_QPA_PLATFORM=$platform DISPLAY=$display python3 - "$folder" "$jet" "$platform" >>"$work/program" <<'EOF'
import os, shutil, subprocess, sys, time
folder, jet, platform = sys.argv[1:4]

def peak_kib(pid):
    try:
        with open("/proc/%d/status" % pid) as f:
            return max(int(l.split()[1]) for l in f if l.startswith("VmHWM"))
    except (OSError, ValueError):
        return 0
env = dict(os.environ, VXMOX_INSTANT_WAITS="1", VXMOX_CLOSE_MAIN_AFTER_MS="200", VXMOX_MSGBOX_ANSWERS="1,6,7",
           VXMOX_REGISTRY=os.path.join(folder, "registry.ini"))
shown, done, peaks = [], [], []
for run in range(3):
    for name in os.listdir(folder):
        if name.upper().startswith("VXMOX2") and name != "VXMOX2_ORG.MDB":
            os.remove(os.path.join(folder, name))
    shutil.copyfile(jet, os.path.join(folder, "VXMOX2.MDB"))
    log = os.path.join(folder, "windows%d.txt" % run)
    env["VXMOX_TEST_LOG"] = log
    began = time.monotonic()
    child = subprocess.Popen([os.path.join(folder, "VXMOX")], cwd=folder, env=env,
                             stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    progress = converted = None
    peak = 0
    while child.poll() is None:
        text = open(log, encoding="utf-8").read() if os.path.exists(log) else ""
        now = time.monotonic()
        if converted is None:
            try:
                with open("/proc/%d/task/%d/children" % (child.pid, child.pid)) as f:
                    readers = [int(p) for p in f.read().split()]
            except OSError:
                readers = []
            peak = max([peak, peak_kib(child.pid)] + [peak_kib(p) for p in readers])
        if progress is None and "PROGRESS" in text:
            progress = now
        if converted is None and "変換完了" in text:
            converted = now
            peaks.append(peak / 1024)
        if now - began > 300:
            child.kill()
        time.sleep(0.005)
    if progress is not None and converted is not None:
        shown.append((progress - began) * 1000)
        done.append((converted - began) * 1000)
if shown:
    print("windows-progress-%s %.1f" % (platform, sorted(shown)[len(shown) // 2]))
    print("windows-converted-%s %.1f" % (platform, sorted(done)[len(done) // 2]))
    print("windows-peak-%s %.1f" % (platform, max(peaks)))
EOF
}
run_windows_start xcb
run_windows_start offscreen

# A VXMOX killed while its Access reader is stopped in the middle of the
# Windows database (as a reader hung on a dead medium, and a user who
# force-quits the frozen window): how long until no process of that run is
# left, and whether the next start then starts (exit 0) or finds the
# program still running (exit 3).
run_killed_start() {
  [[ -n $jet && -x $MOX_PROGRAM_DIR/VXMOX ]] || return 0
  note "VXMOX killed during its conversion"
  local folder="$work/killed"
  cp -r "$MOX_PROGRAM_DIR" "$folder"
  QT_QPA_PLATFORM=offscreen python3 - "$folder" "$jet" >>"$work/program" <<'EOF'
import os, shutil, signal, subprocess, sys, time
folder, jet = sys.argv[1:3]

def children(pid):
    try:
        with open("/proc/%d/task/%d/children" % (pid, pid)) as f:
            return [int(p) for p in f.read().split()]
    except OSError:
        return []

def alive(pid):
    try:
        with open("/proc/%d/stat" % pid) as f:
            return f.read().rsplit(")", 1)[1].split()[0] not in ("Z", "X")
    except OSError:
        return False

env = dict(os.environ, VXMOX_INSTANT_WAITS="1", VXMOX_CLOSE_MAIN_AFTER_MS="200", VXMOX_MSGBOX_ANSWERS="1,6,7",
           VXMOX_REGISTRY=os.path.join(folder, "registry.ini"))
gone, left, later = [], 0, []
for run in range(3):
    for name in os.listdir(folder):
        if name.upper().startswith("VXMOX2") and name != "VXMOX2_ORG.MDB":
            os.remove(os.path.join(folder, name))
    shutil.copyfile(jet, os.path.join(folder, "VXMOX2.MDB"))
    env["VXMOX_TEST_LOG"] = os.path.join(folder, "killed%d.txt" % run)
    child = subprocess.Popen([os.path.join(folder, "VXMOX")], cwd=folder, env=env,
                             stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    began = time.monotonic()
    readers = []
    while not readers and child.poll() is None and time.monotonic() - began < 60:
        readers = [p for p in children(child.pid) if alive(p)]
        time.sleep(0.001)
    time.sleep(0.3)  # the conversion under way
    readers = [p for p in readers if alive(p)]
    if not readers:
        child.kill()
        child.wait()
        continue
    for pid in readers:
        os.kill(pid, signal.SIGSTOP)
    child.kill()
    child.wait()
    killed = time.monotonic()
    while any(alive(p) for p in readers) and time.monotonic() - killed < 5:
        time.sleep(0.001)
    stayed = [p for p in readers if alive(p)]
    if stayed:
        left += 1
    else:
        gone.append((time.monotonic() - killed) * 1000)
    env["VXMOX_TEST_LOG"] = os.path.join(folder, "later%d.txt" % run)
    later.append(subprocess.run([os.path.join(folder, "VXMOX")], cwd=folder, env=env, stdout=subprocess.DEVNULL,
                                stderr=subprocess.DEVNULL, timeout=300).returncode)
    for pid in stayed:
        os.kill(pid, signal.SIGKILL)
if gone and not left:
    print("killed-gone %.1f" % max(gone))
print("killed-left %d" % left)
print("killed-later %d" % max(later or [0]))
EOF
}
run_killed_start

# The whole program on the clinic's database: exec until the input screen
# shows, with the fixed waits passing at once, and the peak memory of the
# whole run, the exit compaction included.
run_program() {
  local platform=$1
  [[ $platform == xcb && -z $display ]] && return 0
  [[ -n $clinic && -x $MOX_PROGRAM_DIR/VXMOX ]] || return 0
  note "VXMOX on $platform (clinic)"
  local folder="$work/program-$platform"
  cp -r "$MOX_PROGRAM_DIR" "$folder"
  QT_QPA_PLATFORM=$platform DISPLAY=$display python3 - "$folder" "$clinic" "$platform" >>"$work/program" <<'EOF'
import os, shutil, statistics, subprocess, sys, time
folder, clinic, platform = sys.argv[1:4]
# Yes to the database file the start names, No to the backup the end offers.
env = dict(os.environ, VXMOX_INSTANT_WAITS="1", VXMOX_CLOSE_MAIN_AFTER_MS="200", VXMOX_MSGBOX_ANSWERS="6,7",
           VXMOX_REGISTRY=os.path.join(folder, "registry.ini"))
starts, peaks = [], []
for run in range(6):  # the first run registers the modules: not counted
    shutil.copyfile(clinic, os.path.join(folder, "VXMOX2.MDB"))
    os.chmod(os.path.join(folder, "VXMOX2.MDB"), 0o600)
    log = os.path.join(folder, "log%d.txt" % run)
    env["VXMOX_TEST_LOG"] = log
    began = time.monotonic()
    child = subprocess.Popen([os.path.join(folder, "VXMOX")], cwd=folder, env=env,
                             stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    shown = None
    while True:
        pid, status, usage = os.wait4(child.pid, os.WNOHANG)
        if pid == child.pid:
            break
        if shown is None and os.path.exists(log) and "MAINWINDOW" in open(log, encoding="utf-8").read():
            shown = time.monotonic()
        if time.monotonic() - began > 120:  # a box nobody answers: the run does not count
            child.kill()
            shown = None
        time.sleep(0.001)
    child.returncode = os.waitstatus_to_exitcode(status)
    if run == 0 or shown is None or child.returncode != 0:
        continue
    starts.append((shown - began) * 1000)
    peaks.append(usage.ru_maxrss / 1024)
if starts:
    print("start-%s %.1f" % (platform, statistics.median(starts)))
    print("peak-%s %.1f" % (platform, max(peaks)))
EOF
}
run_program xcb
run_program offscreen

python3 - "$work" <<'EOF'
import json, os, statistics, sys
work = sys.argv[1]

def load(name):
    try:
        with open(os.path.join(work, name + ".json")) as f:
            return json.load(f)["benchmarks"]
    except (OSError, ValueError, KeyError):
        return []

def figure(name, bench, counter=None):
    """Milliseconds of `bench` (its median when repeated), or a counter."""
    rows = [b for b in load(name) if b.get("run_name", b["name"]).split("/")[0] == bench.split("/")[0]
            and (("/" not in bench) or b.get("run_name", b["name"]).startswith(bench))]
    if not rows or any(b.get("error_occurred") for b in rows):
        return None
    medians = [b for b in rows if b.get("aggregate_name") == "median"]
    chosen = medians[0] if medians else rows[0]
    if counter:
        return chosen.get(counter)
    scale = {"ns": 1e-6, "us": 1e-3, "ms": 1.0, "s": 1e3}[chosen.get("time_unit", "ns")]
    return chosen["real_time"] * scale

def reference(key):
    """(milliseconds, MB of the file) of a reference command."""
    try:
        for line in open(os.path.join(work, "references")):
            k, v, size = line.split()
            if k == key:
                return float(v), float(size)
    except (OSError, ValueError):
        pass
    return None

def plus(*refs, times=(1, 1)):
    """A reference made of others run one after another (times each)."""
    if any(r is None for r in refs):
        return None
    return sum(t * r[0] for r, t in zip(refs, times)), refs[0][1]

def program(key):
    try:
        for line in open(os.path.join(work, "program")):
            k, v = line.split()
            if k == key:
                return float(v)
    except OSError:
        pass
    return None

rows = []
def ms(what, goal, value, device):
    rows.append((what, goal, "—" if value is None else "%.1f ms" % value, device))

def ratio(what, goal, value, ref, ref_name, device, size=None, also=None):
    """`also`: (reference, name) of a second reference set beside the first."""
    if value is None or not ref:
        text = "—"
    elif size and abs(size - ref[1]) > 0.05 * ref[1] + 0.1:
        # The benchmark worked on another file than the reference: no ratio.
        text = "%.1f ms on %.0f MB; %s of %.0f MB: %.1f ms" % (value, size, ref_name, ref[1], ref[0])
    else:
        text = "%.1f ms = %.2f × %s (%.1f ms)" % (value, value / ref[0], ref_name, ref[0])
        if also and also[0]:
            text += " = %.2f × %s (%.1f ms)" % (value / also[0][0], also[1], also[0][0])
        text += ", %.0f MB" % ref[1]
    rows.append((what, goal, text, device))

for device in ("offscreen", "xcb"):
    ms("tooth-state change, 128 buttons repainted", "< 4 ms",
       figure("input-%s-template" % device, "BM_ToothStateChangeRepaintsTheGrid"), device)
for device in ("offscreen", "xcb"):
    for db, label in (("template", "template"), ("clinic", "120k rows")):
        ms("patient load on the input screen, %s" % label, "< 20 ms",
           figure("input-%s-%s" % (device, db), "BM_PatientLoad"), device)
for device in ("offscreen", "xcb"):
    for db, label in (("template", "template"), ("clinic", "120k rows")):
        ms("save of one examination, %s" % label, "< 20 ms",
           figure("input-%s-%s" % (device, db), "BM_SaveButtonWholeSequence"), device)
for device in ("offscreen", "xcb"):
    ms("first opening of the chart screen (4 slots)", "< 100 ms",
       figure("chart-%s-template" % device, "BM_ChartButtonToBothPagesAndPreview"), device)
for device in ("offscreen", "xcb"):
    ms("chart sheet to PDF", "< 100 ms", figure("chart-%s-template" % device, "BM_ChartSheetToPdf"), device)
for device in ("xcb", "offscreen"):
    ms("start-up at 120k rows, exec to input screen, fixed waits excluded", "< 300 ms",
       program("start-" + device), device)
ms("start-up work at 120k rows (in-process steps, later start)", "< 300 ms",
   figure("start-clinic", "BM_LaterStart/120000"), "no display")
ms("upgrade of a 120k-row 0.1.0 file (start-up work, its first start)", "≤ 3 s",
   figure("upgrade-clinic", "BM_FirstStartOnRelease010File/120000"), "no display")
for device in ("xcb", "offscreen"):
    peak = program("peak-" + device)
    rows.append(("peak memory of a whole run at 120k rows", "< 100 MB",
                 "—" if peak is None else "%.0f MiB" % peak, device))
for db, label in (("template", "template"), ("clinic", "120k rows")):
    for bench, what in (("BM_BackUp", "backup"), ("BM_Restore", "restore")):
        ratio("%s, %s" % (what, label), "≤ 1.3 × (cp + sync + integrity_check)", figure("copy-" + db, bench),
              plus(reference("cpsync-" + db), reference("check-" + db)), "(cp + sync + integrity_check)",
              "no display", figure("copy-" + db, bench, "MB"), (reference("cp-" + db), "cp"))
for db, bench, label in (("template", "BM_CompactTemplate", "template"), ("clinic", "BM_CompactClinicDb", "120k rows")):
    ratio("exit compaction, %s" % label, "≤ 1.3 × (VACUUM INTO + 2 × integrity_check)", figure("compaction", bench),
          plus(reference("vacuum-" + db), reference("check-" + db), times=(1, 2)),
          "(VACUUM INTO + 2 × integrity_check)", "no display", figure("compaction", bench, "MB"))
ratio("conversion of a Windows database, 120k rows", "≤ 2.5 × sqlite3 shell",
      figure("jet", "BM_ConvertWindowsDatabase"), reference("shell-jet"), "sqlite3 shell", "no display",
      figure("jet", "BM_ConvertWindowsDatabase", "MB"))
for counter, what in (("peak_MiB", "converting process"), ("reader_MiB", "reader")):
    peak = figure("jet", "BM_ConvertWindowsDatabase", counter)
    rows.append(("peak memory of the conversion (%s), 120k rows" % what, "≤ 150 MiB",
                 "—" if peak is None else "%.0f MiB" % peak, "no display"))
for device in ("xcb", "offscreen"):
    ms("start-up with a Windows database: progress window shown", "< 1000 ms",
       program("windows-progress-" + device), device)
for device in ("xcb", "offscreen"):
    ms("start-up with a Windows database: converted (変換完了)", "—", program("windows-converted-" + device), device)
for device in ("xcb", "offscreen"):
    peak = program("windows-peak-" + device)
    rows.append(("peak memory of a start-up until its Windows database is converted", "≤ 150 MiB",
                 "—" if peak is None else "%.0f MiB" % peak, device))
left, later = program("killed-left"), program("killed-later")
rows.append(("a VXMOX killed with its reader stopped: no process of the run left", "≤ 1000 ms",
             "—" if left is None else "%d of 3 runs left a process" % left if left else
             "%.1f ms" % program("killed-gone"), "offscreen"))
rows.append(("the start after it", "starts (exit 0)", "—" if later is None else "exit %d" % later, "offscreen"))
for server in ("PulseAudio", "PipeWire"):
    for case, label in (("StreamOpen", "stream open"), ("AfterIdleClose", "after the 5 s idle close")):
        ms("key to the clip's first sample at the sink, %s (%s)" % (label, server), "≤ 30 ms",
           figure("sound-offscreen", "KeyToSink/%s_%s" % (server, case), "median_ms"), "no display")
for server in ("PulseAudio", "PipeWire"):
    for case, label in (("ServerStopped", "sound server stopped"), ("SinkGone", "its output gone")):
        ms("window answers an X event while keys are typed, %s (%s)" % (label, server), "≤ 100 ms",
           figure("sound-xcb", "XEventAnswer/%s_%s" % (server, case), "max_ms"), "xcb")
peak = figure("compaction", "BM_CompactClinicDb", "peak_MiB")
rows.append(("peak memory of the exit compaction, 120k rows", "< 100 MB",
             "—" if peak is None else "%.0f MiB" % peak, "no display"))

header = ("what", "goal", "figure", "device")
widths = [max(len(r[i]) for r in rows + [header]) for i in range(4)]
line = lambda r: "| " + " | ".join(r[i].ljust(widths[i]) for i in range(4)) + " |"
print(line(header))
print("|" + "|".join("-" * (w + 2) for w in widths) + "|")
for r in rows:
    print(line(r))
EOF
