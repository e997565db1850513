#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The fault bench: drives the built program on a virtual X server through faults a parent can
# meet (a crash, a vanished sound server, an unwritable Data folder, a second copy …) and prints
# one table row per fault with the audio fed and the audio found afterwards. See README.md.
set -u

usage() {
    echo "usage: bench/faults/run.sh [--short] [--keep] [--only NAME[,NAME…]] BUILD_DIR" >&2
    exit 2
}

SHORT=0
KEEP=0
ONLY=""
BUILD=""
while (($#)); do
    case "$1" in
        --short) SHORT=1 ;;
        --keep) KEEP=1 ;;
        --only) shift; ONLY="${1:-}" ;;
        -h | --help) usage ;;
        -*) usage ;;
        *) BUILD="$1" ;;
    esac
    shift
done
[[ -n "$BUILD" ]] || usage
BIN="$(cd "$BUILD" 2>/dev/null && pwd)/bin"
for tool in marulo marulo-synth marulo-faulttool; do
    if [[ ! -x "$BIN/$tool" ]]; then
        echo "run.sh: $BIN/$tool is missing; build the targets marulo marulo-synth" \
            "marulo-faulttool marulo_runtime_files first" >&2
        exit 2
    fi
done
for tool in Xvfb xdotool pulseaudio pactl prlimit setpriv import strace cc; do
    if ! command -v "$tool" >/dev/null; then
        echo "run.sh: $tool is missing (scripts/setup-debian.sh installs it)" >&2
        exit 2
    fi
done

WORK="$(mktemp -d /tmp/marulo-faults-XXXXXX)"
XVFB_PID=""
PULSE_PID=""
FEED_PID=""
declare -a CHILDREN=()
declare -a MOUNTS=()

cleanup() {
    local pid point
    for pid in "${CHILDREN[@]}" $FEED_PID $PULSE_PID $XVFB_PID; do
        kill -CONT "$pid" 2>/dev/null
        kill -KILL "$pid" 2>/dev/null
    done
    wait 2>/dev/null
    for point in "${MOUNTS[@]}"; do
        umount -l "$point" 2>/dev/null
    done
    if ((KEEP)); then
        echo "kept: $WORK" >&2
    else
        rm -rf "$WORK"
    fi
}
trap cleanup EXIT

now() { date +%s.%N; }
# Arithmetic on decimal seconds.
calc() { awk "BEGIN { printf \"%.1f\", ($*) }"; }
# Whether a comparison of decimal seconds holds.
holds() { awk "BEGIN { r = ($*); exit !r }"; }

# --- virtual display -----------------------------------------------------------------------

# Never reset: a reset after the last xdotool query left would turn away a starting program.
Xvfb -displayfd 1 -screen 0 1280x800x24 -nolisten tcp -noreset >"$WORK/display" 2>"$WORK/xvfb.log" &
XVFB_PID=$!
for _ in $(seq 150); do
    [[ -s "$WORK/display" ]] && break
    sleep 0.1
done
if [[ ! -s "$WORK/display" ]]; then
    echo "run.sh: Xvfb did not start (see $WORK/xvfb.log)" >&2
    KEEP=1
    exit 1
fi
export DISPLAY=":$(head -n1 "$WORK/display")"

# The listener's heartbeat; after its end the file-backed input delivers silence.
"$BIN/marulo-synth" "$WORK/heartbeat.wav" --seconds 300 >/dev/null || exit 1

# Client coordinates of the controls (the window is 898 × 627 and frameless).
MONITOR_X=820 MONITOR_Y=130
FIRST_RECORD_X=128 FIRST_RECORD_Y=307
CLOSE_X=880 CLOSE_Y=17

# --- one program folder per fault ----------------------------------------------------------

# Makes $WORK/NAME with a fresh copy of the program and its run-time files, a profile and a
# private run-time folder; sets FOLDER.
new_folder() {
    FOLDER="$WORK/$1"
    mkdir -p "$FOLDER/program" "$FOLDER/config/Quenfor" "$FOLDER/runtime" "$FOLDER/boxes"
    chmod 700 "$FOLDER/runtime"
    local name
    for name in marulo Conf.ini Lang.ini user-guide.md; do
        [[ -e "$BIN/$name" ]] && cp "$BIN/$name" "$FOLDER/program/"
    done
    cp -r "$BIN/lang" "$FOLDER/program/"
    printf '[General]\nName=Bench\nEDC=%s\n' "$(date -d '+100 days' +%Y-%m-%d)" \
        >"$FOLDER/config/Quenfor/Marulo.ini"
}

# Mounts a real small disk (tmpfs) of KB kilobytes on DIR, keeping what DIR held; fails, noted,
# where mounting is not allowed.
mount_small() {
    local dir=$1 kb=$2
    mv "$dir" "$dir.before"
    mkdir -p "$dir"
    if ! mount -t tmpfs -o "size=${kb}k" tmpfs "$dir" 2>/dev/null; then
        rmdir "$dir"
        mv "$dir.before" "$dir"
        NOTES="cannot mount a small disk (needs root)"
        return 1
    fi
    MOUNTS+=("$dir")
    cp -a "$dir.before/." "$dir/"
    rm -rf "$dir.before"
}

# A program folder on a disk with ROOM kilobytes free beyond the program's own files.
small_program_folder() {
    local room=$1 used
    used=$(du -sk "$FOLDER/program" | cut -f1)
    mount_small "$FOLDER/program" $((used + room))
}

# Fills the disk under DIR to its last byte.
fill_disk() { dd if=/dev/zero of="$1/filler" bs=4k 2>/dev/null; }

# Starts the program of FOLDER in the background; sets PID. The program runs without the
# power to write where the file modes forbid it, as a parent's account would.
# Options: --pulse (hear the private sound server instead of the heartbeat file),
#          --fsize BYTES (a file-size limit, with SIGXFSZ ignored so writes fail instead).
launch() {
    local input="$WORK/heartbeat.wav" limit=""
    while (($#)); do
        case "$1" in
            --pulse) input="" ;;
            --fsize) shift; limit="$1" ;;
        esac
        shift
    done
    local -a command=(setpriv --bounding-set=-dac_override,-dac_read_search,-fowner
        "$FOLDER/program/marulo")
    if [[ -n "$limit" ]]; then
        command=(bash -c 'trap "" XFSZ; exec "$@"' fsize prlimit --fsize="$limit" "${command[@]}")
    fi
    (
        cd "$FOLDER/program" || exit 1
        unset QT_QPA_PLATFORM
        export XDG_CONFIG_HOME="$FOLDER/config" XDG_RUNTIME_DIR="$FOLDER/runtime"
        export MARULO_SOUND_INPUT_FILE="$input"
        exec "${command[@]}" </dev/null >>"$FOLDER/marulo.log" 2>&1
    ) &
    PID=$!
    CHILDREN+=("$PID")
}

alive() { kill -0 "$1" 2>/dev/null && [[ "$(ps -o stat= -p "$1")" != Z* ]]; }

# Waits for the exit of PID up to SECONDS; sets EXIT_STATUS (empty while it runs on).
wait_exit() {
    local pid=$1 limit=$2 start
    start=$(now)
    EXIT_STATUS=""
    while alive "$pid"; do
        if holds "$(now) - $start > $limit"; then
            return 1
        fi
        sleep 0.1
    done
    wait "$pid" 2>/dev/null
    EXIT_STATUS=$?
    return 0
}

# The visible windows of PID, one id a line.
windows_of() { xdotool search --onlyvisible --pid "$1" 2>/dev/null; }

# Waits for the main window of PID; sets WID, WX, WY.
main_window() {
    local pid=$1 i
    WID=""
    for i in $(seq 200); do
        # The main window is the wide one; a box shown instead of it is not.
        local window
        for window in $(windows_of "$pid"); do
            if (($(xdotool getwindowgeometry --shell "$window" 2>/dev/null |
                awk -F= '$1 == "WIDTH" { print $2 }') >= 800)); then
                WID=$window
                break
            fi
        done
        [[ -n "$WID" ]] && break
        alive "$pid" || return 1
        sleep 0.1
    done
    [[ -n "$WID" ]] || return 1
    eval "$(xdotool getwindowgeometry --shell "$WID" | grep -E '^[XY]=')"
    WX=$X WY=$Y
    sleep 1
}

click() { xdotool mousemove $((WX + $1)) $((WY + $2)) sleep 0.1 click 1; }

# Every message box PID shows now: its title joins MESSAGES, a screenshot is kept and the box is
# answered with Return. Returns 0 when there was one.
answer_boxes() {
    local pid=$1 main=$2 window title any=1
    for window in $(windows_of "$pid"); do
        [[ "$window" == "$main" ]] && continue
        title=$(xdotool getwindowname "$window" 2>/dev/null)
        [[ -z "$title" ]] && continue
        import -window "$window" "$FOLDER/boxes/$(date +%H%M%S%N).png" 2>/dev/null
        [[ "$MESSAGES" == *"\"$title\""* ]] || MESSAGES+="${MESSAGES:+, }\"$title\""
        xdotool windowfocus "$window" key Return 2>/dev/null
        sleep 0.3
        any=0
    done
    return $any
}

# Polls for a message box of PID for up to SECONDS, answering each.
watch_boxes() {
    local pid=$1 main=$2 limit=$3 start seen=1
    start=$(now)
    while holds "$(now) - $start < $limit"; do
        answer_boxes "$pid" "$main" && seen=0
        alive "$pid" || break
        sleep 0.2
    done
    return $seen
}

record_count() { find "$FOLDER/program/Data" -maxdepth 1 -name '*.zip' 2>/dev/null | wc -l; }

# Waits up to SECONDS for Data to hold more than COUNT records.
wait_record() {
    local count=$1 limit=$2 i
    for i in $(seq $((limit * 10))); do
        (($(record_count) > count)) && return 0
        sleep 0.1
    done
    return 1
}

# Closes the program with its close button, answering boxes; kills it when it stays.
close_program() {
    local pid=$1 main=$2
    alive "$pid" || return 0
    click $CLOSE_X $CLOSE_Y
    watch_boxes "$pid" "$main" 2
    if ! wait_exit "$pid" 10; then
        NOTES+="${NOTES:+; }did not close"
        kill -KILL "$pid" 2>/dev/null
        wait "$pid" 2>/dev/null
    fi
}

# One monitoring run of about SECONDS on the window at WX/WY; appends the seconds fed to FED.
monitor_for() {
    local seconds=$1 start
    click $MONITOR_X $MONITOR_Y
    start=$(now)
    sleep "$seconds"
    click $MONITOR_X $MONITOR_Y
    FED+=("$(calc "$(now) - $start - 0.1")")
    RUNS=$((RUNS + 1))
}

# --- private sound server ------------------------------------------------------------------

start_pulse() {
    local dir="$WORK/pulse"
    rm -rf "$dir"
    mkdir -p "$dir/run" "$dir/state"
    export PULSE_RUNTIME_PATH="$dir/run" PULSE_STATE_PATH="$dir/state"
    export PULSE_SERVER="unix:$dir/run/native"
    pulseaudio -n --daemonize=no --exit-idle-time=-1 --disallow-exit --use-pid-file=no \
        -L "module-native-protocol-unix socket=$dir/run/native" \
        -L "module-null-sink sink_name=out" \
        -L "module-pipe-source source_name=in file=$dir/fifo format=u8 rate=8000 channels=2" \
        >"$dir/log" 2>&1 &
    PULSE_PID=$!
    local i
    for i in $(seq 150); do
        [[ -S "$dir/run/native" ]] && pactl info >/dev/null 2>&1 && break
        sleep 0.1
    done
    pactl set-default-source in >/dev/null 2>&1 && pactl set-default-sink out >/dev/null 2>&1
}

stop_pulse() {
    [[ -n "$PULSE_PID" ]] && kill -TERM "$PULSE_PID" 2>/dev/null && wait "$PULSE_PID" 2>/dev/null
    [[ -n "$FEED_PID" ]] && kill -TERM "$FEED_PID" 2>/dev/null && wait "$FEED_PID" 2>/dev/null
    PULSE_PID="" FEED_PID=""
}

# --- the table -----------------------------------------------------------------------------

declare -a FED=()
RUNS=0
MESSAGES=""
NOTES=""
STRANDED=0  # seconds of a run that a row saw left unrecovered
BAD=""      # what else went wrong in a row
FAILED=0

begin_row() {
    FED=()
    RUNS=0
    MESSAGES=""
    NOTES=""
    STRANDED=0
    BAD=""
    new_folder "$1"
}

# Begins a row and launches the program with the options given; fails, noted, without a window.
open_row() {
    begin_row "$1"
    shift
    launch "$@"
    main_window "$PID" || { NOTES="no window"; return 1; }
}

# Begins a row whose folder is changed before the program starts.
open_row_before_launch() { begin_row "$1"; }

# Monitors for the seconds given, then runs the command that ends the run, counting the
# seconds fed until then.
monitor_then() {
    local seconds=$1 start
    shift
    click $MONITOR_X $MONITOR_Y
    start=$(now)
    sleep "$seconds"
    "$@"
    FED+=("$(calc "$(now) - $start")")
    RUNS=1
}

# Prints the row of the fault just run from what its folder holds.
print_row() {
    local label=$1 counts records=0 stored=0 kept=0 working=0 mixed=0 empty=0 lost fed=0 i
    counts=$("$BIN/marulo-faulttool" count "$FOLDER/program")
    echo "$counts" >"$FOLDER/count.txt"
    local -a recordSeconds=()
    while read -r place seconds trace _; do
        [[ -z "$place" ]] && continue
        [[ "$seconds" == "-" ]] && seconds=0
        case "$place" in
            record)
                records=$((records + 1))
                recordSeconds+=("$seconds")
                holds "$seconds < 0.1" && empty=$((empty + 1))
                stored=$(calc "$stored + $seconds")
                # A trace that does not match its audio came from another run.
                if [[ "$trace" != "-" ]] &&
                    holds "$trace - $seconds > 2 || $trace - $seconds < -2"; then
                    mixed=$((mixed + 1))
                fi
                ;;
            kept) kept=$(calc "$kept + $seconds") ;;
            working) working=$seconds ;;  # unreadable counts as 0
        esac
    done <<<"$counts"
    for i in "${FED[@]}"; do fed=$(calc "$fed + $i"); done
    # Runs and records pair up in order when they are as many; otherwise only totals compare.
    if ((${#FED[@]} == records)) && ! holds "$kept > 0"; then
        lost=0
        for i in "${!FED[@]}"; do
            lost=$(calc "$lost + ((${FED[$i]} - ${recordSeconds[$i]}) > 0 ? ${FED[$i]} - ${recordSeconds[$i]} : 0)")
        done
    else
        lost=$(calc "($fed - $stored - $kept) > 0 ? $fed - $stored - $kept : 0")
    fi
    ((mixed > 0)) && NOTES+="${NOTES:+; }$mixed record(s) whose trace and audio differ by over 2 s"
    ((empty > 0)) && NOTES+="${NOTES:+; }$empty empty record(s)"
    holds "$kept > 0" && NOTES+="${NOTES:+; }${kept} s kept aside"
    holds "$working > 0" && NOTES+="${NOTES:+; }working Data.wav holds $working s"
    # What is still kept aside at the row's end was never taken back, however the fault ended.
    local stranded=$kept verdict=ok
    holds "$STRANDED > $stranded" && stranded=$STRANDED
    # Every run's start may cost a few tenths of a second before its first block.
    if holds "$lost > 0.5 * ($RUNS > 1 ? $RUNS : 1)" || ((mixed + empty > 0)) ||
        holds "$stranded > 0" || [[ -n "$BAD" ]]; then
        verdict=FAIL
        FAILED=$((FAILED + 1))
        [[ -n "$BAD" ]] && NOTES+="${NOTES:+; }$BAD"
    fi
    printf '| %-38s | %4s | %7s | %6s | %7s | %6s | %8s | %-28s | %-4s | %s |\n' "$label" "$RUNS" \
        "$records" "$fed" "$(calc "$stored + $kept")" "$lost" "$stranded" "${MESSAGES:-none}" \
        "$verdict" "${NOTES:--}"
}

wanted() { [[ -z "$ONLY" || ",$ONLY," == *",$1,"* ]]; }

# --- the faults ----------------------------------------------------------------------------

fault_plain() {
    open_row plain || return
    monitor_for 6
    wait_record 0 10
    watch_boxes "$PID" "$WID" 1
    close_program "$PID" "$WID"
}

fault_kill() {
    open_row kill || return
    monitor_then 8 kill -KILL "$PID"
    # The last second before a kill may be lost.
    FED[-1]=$(calc "${FED[-1]} - 1")
    wait "$PID" 2>/dev/null
    launch
    main_window "$PID" || { NOTES="no window after restart"; return; }
    watch_boxes "$PID" "$WID" 4
    close_program "$PID" "$WID"
}

fault_stop_click() {
    local repeats=$1 seconds=$2 n start gone=0
    open_row stop-click || return
    for n in $(seq "$repeats"); do
        click $MONITOR_X $MONITOR_Y
        start=$(now)
        sleep "$seconds"
        # Stop, then at once select the first record of the list.
        xdotool mousemove $((WX + MONITOR_X)) $((WY + MONITOR_Y)) click 1 \
            mousemove $((WX + FIRST_RECORD_X)) $((WY + FIRST_RECORD_Y)) click 1
        FED+=("$(calc "$(now) - $start")")
        RUNS=$((RUNS + 1))
        wait_record $((n - 1)) 10
        watch_boxes "$PID" "$WID" 1
        # From the second run on the click falls on the previous record. While the run still
        # closes the click is refused and no review files appear; the row counts how often.
        ((n > 1)) && [[ ! -e "$FOLDER/program/Data.wav" ]] && gone=$((gone + 1))
    done
    ((gone > 0)) && NOTES+="${NOTES:+; }$gone of $((repeats - 1)) record clicks came while the run closed and opened no review"
    close_program "$PID" "$WID"
}

fault_cycles() {
    local repeats=$1 n
    open_row cycles || return
    for n in $(seq "$repeats"); do
        monitor_for 1.5
        sleep 0.4
        answer_boxes "$PID" "$WID"
    done
    sleep 2
    watch_boxes "$PID" "$WID" 1
    close_program "$PID" "$WID"
}

# Begins a row whose program hears the private sound server, which plays the heartbeat.
open_row_on_pulse() {
    begin_row "$1"
    start_pulse
    "$BIN/marulo-faulttool" feed "$WORK/pulse/fifo" "$WORK/heartbeat.wav" &
    FEED_PID=$!
    launch --pulse
    main_window "$PID" || { NOTES="no window"; stop_pulse; return 1; }
}

fault_sound_server() {
    open_row_on_pulse sound-server || return
    monitor_then 6 stop_pulse
    if ! watch_boxes "$PID" "$WID" 6 && ! wait_record 0 1; then
        NOTES="still monitoring 6 s after; stopped by hand"
        click $MONITOR_X $MONITOR_Y
        wait_record 0 10
        watch_boxes "$PID" "$WID" 2
    fi
    close_program "$PID" "$WID"
}

# A second sound card, the chosen input, is unplugged mid-run: the run must end with that
# card's audio alone and say so, not go on hearing the card the sound server moved it to.
fault_input_unplug() {
    begin_row input-unplug
    printf 'InputDevice=second\nInputDeviceName=Second\n' >>"$FOLDER/config/Quenfor/Marulo.ini"
    start_pulse
    pactl load-module module-pipe-source source_name=second file="$WORK/pulse/fifo2" \
        format=u8 rate=8000 channels=2 source_properties=device.description=Second \
        >"$WORK/pulse/second" 2>/dev/null
    "$BIN/marulo-faulttool" feed "$WORK/pulse/fifo" "$WORK/heartbeat.wav" &
    FEED_PID=$!
    "$BIN/marulo-faulttool" feed "$WORK/pulse/fifo2" "$WORK/heartbeat.wav" &
    CHILDREN+=("$!")
    launch --pulse
    main_window "$PID" || { NOTES="no window"; stop_pulse; return; }
    monitor_then 6 pactl unload-module "$(cat "$WORK/pulse/second")"
    if ! watch_boxes "$PID" "$WID" 6 && ! wait_record 0 1; then
        BAD="went on with another card; stopped by hand"
        click $MONITOR_X $MONITOR_Y
        wait_record 0 10
        watch_boxes "$PID" "$WID" 2
    fi
    [[ -n "$MESSAGES" ]] || BAD+="${BAD:+; }no message"
    close_program "$PID" "$WID"
    stop_pulse
}

# The sound server restarts while the program is idle; the next run must record.
fault_server_restart() {
    open_row_on_pulse server-restart || return
    sleep 2
    stop_pulse
    sleep 1
    start_pulse
    "$BIN/marulo-faulttool" feed "$WORK/pulse/fifo" "$WORK/heartbeat.wav" &
    FEED_PID=$!
    sleep 3
    monitor_for 6
    wait_record 0 10
    watch_boxes "$PID" "$WID" 2
    close_program "$PID" "$WID"
    stop_pulse
}

# The sound server hangs mid-run; the stop and close presses that follow must still end the
# run, store it and end the program within 10 s, while the server is still stopped.
fault_server_hung() {
    local start
    open_row_on_pulse server-hung || return
    monitor_then 4 kill -STOP "$PULSE_PID"
    sleep 1
    click $MONITOR_X $MONITOR_Y
    watch_boxes "$PID" "$WID" 2
    click $CLOSE_X $CLOSE_Y
    start=$(now)
    watch_boxes "$PID" "$WID" 1
    if ! wait_exit "$PID" 10; then
        BAD="window did not close while the server hung"
    else
        NOTES="closed $(calc "$(now) - $start") s after the press"
    fi
    kill -CONT "$PULSE_PID"
    if alive "$PID"; then
        wait_exit "$PID" 10 || { kill -KILL "$PID"; wait "$PID" 2>/dev/null; }
    fi
    stop_pulse
}

fault_data_unwritable() {
    local how=$1
    begin_row "data-$how"
    if [[ "$how" == read-only ]]; then
        mkdir "$FOLDER/program/Data"
        chmod 555 "$FOLDER/program/Data"
    else
        echo "not a folder" >"$FOLDER/program/Data"
    fi
    launch
    main_window "$PID" || { NOTES="no window"; return; }
    watch_boxes "$PID" "$WID" 1
    monitor_for 6
    watch_boxes "$PID" "$WID" 5
    close_program "$PID" "$WID"
    # The parent mends the folder and starts the program again: what was kept aside is stored.
    if [[ "$how" == read-only ]]; then
        chmod 755 "$FOLDER/program/Data"
    else
        rm "$FOLDER/program/Data"
    fi
    launch
    main_window "$PID" || { NOTES+="${NOTES:+; }no window after mending"; return; }
    watch_boxes "$PID" "$WID" 3
    close_program "$PID" "$WID"
}

fault_file_size() {
    # Room for the header and 5 s of audio; the program may keep no more than that.
    local allowed=5
    open_row file-size --fsize $((44 + allowed * 16000)) || return
    click $MONITOR_X $MONITOR_Y
    sleep 6
    watch_boxes "$PID" "$WID" 4
    if ! wait_record 0 1 && [[ -z "$MESSAGES" ]]; then
        click $MONITOR_X $MONITOR_Y
    fi
    FED+=("$allowed")
    RUNS=1
    wait_record 0 5
    watch_boxes "$PID" "$WID" 3
    close_program "$PID" "$WID"
}

fault_second_copy() {
    open_row second-copy || return
    local first=$PID firstWindow=$WID
    local fx=$WX fy=$WY
    # A record for the second copy to review while the first records the next one.
    monitor_for 4
    wait_record 0 10
    click $MONITOR_X $MONITOR_Y
    local start
    start=$(now)
    launch
    local second=$PID
    # A copy turned away shows its box and no main window: every window it shows is a box.
    sleep 2
    watch_boxes "$second" "" 3
    if alive "$second" && main_window "$second"; then
        local secondWindow=$WID
        if alive "$second"; then
            NOTES="second copy runs on"
            # Without a window manager both windows stand at the same place: the one clicked
            # comes to the top first.
            xdotool windowraise "$secondWindow"
            click $FIRST_RECORD_X $FIRST_RECORD_Y
            sleep 1
        fi
    fi
    WX=$fx WY=$fy
    xdotool windowraise "$firstWindow"
    sleep 4
    click $MONITOR_X $MONITOR_Y
    FED+=("$(calc "$(now) - $start")")
    RUNS=2
    wait_record 1 10
    watch_boxes "$first" "$firstWindow" 2
    if alive "$second"; then
        kill -TERM "$second"
        wait_exit "$second" 5 || kill -KILL "$second"
    elif [[ -z "$MESSAGES" ]]; then
        NOTES+="${NOTES:+; }second copy ended without a box"
    fi
    close_program "$first" "$firstWindow"
}

fault_sigterm() {
    open_row sigterm || return
    monitor_then 6 kill -TERM "$PID"
    wait_exit "$PID" 10 || { NOTES="still running 10 s after"; kill -KILL "$PID"; }
    [[ -n "$EXIT_STATUS" ]] && NOTES+="${NOTES:+; }exit $EXIT_STATUS"
}

fault_sigterm_start() {
    begin_row sigterm-start
    # What an hour-long run killed mid-way leaves: its audio, trace and run marker.
    python3 - "$FOLDER/program" <<'PY'
import os, struct, sys
folder, seconds = sys.argv[1], 3600
audio = seconds * 16000
with open(os.path.join(folder, "Data.wav"), "wb") as wav:
    wav.write(b"RIFF" + struct.pack("<I", 36 + audio) + b"WAVEfmt " +
              struct.pack("<IHHIIHH", 16, 1, 2, 8000, 16000, 2, 8) + b"data" + struct.pack("<I", audio))
    for _ in range(seconds // 60):
        wav.write(os.urandom(60 * 16000))
with open(os.path.join(folder, "Data.hr"), "wb") as trace:
    trace.write(struct.pack("<i", 140) * seconds)
with open(os.path.join(folder, "Data.run"), "w") as marker:
    marker.write("Name=Bench\nEDC=2030-01-01\nStart=1700000000000\n")
PY
    FED+=(3600)
    RUNS=1
    # Storing that run takes the start-up a moment: the request to end comes during it.
    launch
    local i
    for i in $(seq 500); do
        compgen -G "$FOLDER/program/Data.zip.*" >/dev/null && break
        sleep 0.01
    done
    kill -TERM "$PID"
    wait_exit "$PID" 20 || { NOTES="still running 20 s after"; kill -KILL "$PID"; }
    [[ -n "$EXIT_STATUS" ]] && NOTES+="${NOTES:+; }exit $EXIT_STATUS"
    [[ "$EXIT_STATUS" != 0 ]] && BAD="ended by the signal half-way through its start"
    # Whatever the signal left is taken up by the next start.
    launch
    main_window "$PID" || { NOTES+="${NOTES:+; }no window after restart"; return; }
    watch_boxes "$PID" "$WID" 3
    close_program "$PID" "$WID"
}

fault_window_close() {
    open_row window-close || return
    monitor_then 6 xdotool windowclose "$WID"
    if ! wait_exit "$PID" 10; then
        NOTES="process left running without a window"
        kill -KILL "$PID"
        wait "$PID" 2>/dev/null
    fi
    [[ -n "$EXIT_STATUS" ]] && NOTES+="${NOTES:+; }exit $EXIT_STATUS"
}

fault_double_click() {
    open_row double-click || return
    # Two presses of the monitoring button 80 ms apart, as a double click gives them.
    xdotool mousemove $((WX + MONITOR_X)) $((WY + MONITOR_Y)) click --repeat 2 --delay 80 1
    RUNS=1
    FED+=(0)
    sleep 1
    watch_boxes "$PID" "$WID" 1
    close_program "$PID" "$WID"
}

fault_data_elsewhere() {
    open_row_before_launch data-elsewhere || return
    mkdir -p "$FOLDER/synced"
    mount_small "$FOLDER/synced" 8192 || return
    ln -s "$FOLDER/synced" "$FOLDER/program/Data"
    launch
    main_window "$PID" || { NOTES="no window"; return; }
    monitor_for 4
    wait_record 0 10
    watch_boxes "$PID" "$WID" 2
    close_program "$PID" "$WID"
}

fault_full_disk() {
    open_row_before_launch full-disk || return
    small_program_folder 160 || return
    launch
    main_window "$PID" || { NOTES="no window"; return; }
    click $MONITOR_X $MONITOR_Y
    sleep 12
    watch_boxes "$PID" "$WID" 3
    # Still running means the disk never filled; stop by hand.
    [[ -z "$MESSAGES" ]] && click $MONITOR_X $MONITOR_Y
    watch_boxes "$PID" "$WID" 2
    close_program "$PID" "$WID"
    RUNS=1
    # What the disk took is what the run fed; it must come back whole.
    FED+=("$("$BIN/marulo-faulttool" count "$FOLDER/program" |
        awk '$2 != "-" { s += $2 } END { printf "%.1f", s }')")
    # 8 MB more than the disk holds: the program itself may be larger than 8 MB.
    mount -o remount,size=$(($(du -sk "$FOLDER/program" | cut -f1) + 8192))k "$FOLDER/program"
    launch
    main_window "$PID" || { NOTES+="${NOTES:+; }no window after room was made"; return; }
    watch_boxes "$PID" "$WID" 3
    close_program "$PID" "$WID"
}

fault_full_disk_start() {
    open_row_before_launch full-disk-start || return
    small_program_folder 400 || return
    launch
    main_window "$PID" || { NOTES="no window"; return; }
    monitor_then 6 kill -KILL "$PID"
    FED[-1]=$(calc "${FED[-1]} - 1")
    wait "$PID" 2>/dev/null
    # Without the killed copy's lock file, whose removal would free a page for the new one, the
    # copy that starts now must hold the folder on a disk with no byte left.
    rm -f "$FOLDER/program/Marulo.lock"
    fill_disk "$FOLDER/program"
    launch
    sleep 3
    if ! main_window "$PID"; then
        STRANDED=$("$BIN/marulo-faulttool" count "$FOLDER/program" |
            awk '$1 == "working" { s += $2 } END { printf "%.1f", s }')
        BAD="would not start on the full disk"
        watch_boxes "$PID" "" 2
    else
        watch_boxes "$PID" "$WID" 3
        close_program "$PID" "$WID"
    fi
    wait_exit "$PID" 5 || kill -KILL "$PID"
    rm -f "$FOLDER/program/filler"
    launch
    main_window "$PID" || { NOTES+="${NOTES:+; }no window after room was made"; return; }
    watch_boxes "$PID" "$WID" 3
    close_program "$PID" "$WID"
}

fault_sound_stall() {
    local pause=$1 start resumed
    open_row_on_pulse sound-stall || return
    click $MONITOR_X $MONITOR_Y
    start=$(now)
    sleep 8
    kill -STOP "$PULSE_PID"
    FED+=("$(calc "$(now) - $start")")
    RUNS=1
    sleep "$pause"
    kill -CONT "$PULSE_PID"
    resumed=$(now)
    if wait_record 0 1; then
        watch_boxes "$PID" "$WID" 4
    else
        # The run went on through the pause: the listener played on all the while.
        sleep 5
        click $MONITOR_X $MONITOR_Y
        FED[-1]=$(calc "${FED[-1]} + $pause + $(now) - $resumed")
        wait_record 0 10
        watch_boxes "$PID" "$WID" 2
    fi
    close_program "$PID" "$WID"
    stop_pulse
}

fault_audio_bomb() {
    begin_row audio-bomb
    local record largest=0 size packed
    record="$FOLDER/program/Data/Bench_$(date -d '+100 days' +%Y%m%d)_20240101000000000.zip"
    mkdir -p "$FOLDER/program/Data"
    # Two seconds of trace and 400 MB of silence, packed into well under a megabyte.
    python3 - "$record" <<'PY'
import sys, zipfile
with zipfile.ZipFile(sys.argv[1], "w", zipfile.ZIP_DEFLATED) as z:
    z.writestr("Data.hr", b"\x8c\0\0\0" * 2)
    with z.open("Data.wav", "w", force_zip64=True) as out:
        out.write(b"RIFF\xff\xff\xff\xffWAVEfmt \x10\0\0\0\x01\0\x02\0\x40\x1f\0\0\x80\x3e\0\0\x02\0\x08\0data\xff\xff\xff\xff")
        chunk = b"\x80" * (1 << 20)
        for _ in range(400):
            out.write(chunk)
PY
    packed=$(stat -c %s "$record")
    launch
    main_window "$PID" || { NOTES="no window"; return; }
    click $FIRST_RECORD_X $FIRST_RECORD_Y
    for _ in $(seq 40); do
        size=$(stat -c %s "$FOLDER/program/Data.wav" "$FOLDER/program/Data.wav.part" 2>/dev/null |
            sort -n | tail -n1)
        ((${size:-0} > largest)) && largest=$size
        sleep 0.1
    done
    watch_boxes "$PID" "$WID" 2
    # Killed while unpacking, the program starts again on what it left.
    click $FIRST_RECORD_X $FIRST_RECORD_Y
    sleep 0.3
    kill -KILL "$PID"
    wait "$PID" 2>/dev/null
    launch
    main_window "$PID" || { NOTES="no window after restart"; return; }
    sleep 1
    [[ -e "$FOLDER/program/Data.wav.part" ]] &&
        BAD+="${BAD:+; }a part-unpacked Data.wav.part stays after the restart"
    watch_boxes "$PID" "$WID" 1
    close_program "$PID" "$WID"
    # The bomb is no recording of a run: only what unpacking it wrote counts.
    rm -f "$record"
    NOTES+="${NOTES:+; }unpacked $((largest / 1000000)) MB of audio from a $((packed / 1000)) kB archive"
    ((largest > 1000000)) && BAD+="${BAD:+; }unpacked ${largest} bytes of audio for a 2 s trace"
}

# Holds writes of the running program to Data.wav as a slow disk does (strace attached to PID,
# its threads to come included); INJECT is strace's tampering, e.g. delay_enter=150ms.
hold_wav_writes() {
    strace -f -qq -o /dev/null -p "$PID" -P "$FOLDER/program/Data.wav" -e trace=write \
        -e "inject=write:$1" &
    CHILDREN+=("$!")
    sleep 1
}

# Monitors for SECONDS, answering boxes; a run that ended by itself meanwhile is not restarted,
# and counts as fed all the same, since the listener played on.
monitor_through() {
    local seconds=$1 start
    click $MONITOR_X $MONITOR_Y
    start=$(now)
    watch_boxes "$PID" "$WID" "$seconds"
    if (($(record_count) > 0)); then
        BAD="the run ended by itself"
    else
        click $MONITOR_X $MONITOR_Y
    fi
    FED+=("$(calc "$(now) - $start - 0.1")")
    RUNS=1
}

fault_slow_disk() {
    local seconds=$1
    open_row slow-disk || return
    hold_wav_writes delay_enter=150ms
    monitor_through "$seconds"
    # A run that fell behind the disk writes what it holds before its record appears.
    wait_record 0 60
    watch_boxes "$PID" "$WID" 1
    close_program "$PID" "$WID"
}

fault_held_write() {
    open_row held-write || return
    # One write, some seconds into the run, held 3 s.
    hold_wav_writes delay_enter=3s:when=12
    monitor_through 10
    wait_record 0 20
    watch_boxes "$PID" "$WID" 1
    close_program "$PID" "$WID"
}

fault_clock_step() {
    local shim="$WORK/clockstep.so"
    if [[ ! -e "$shim" ]]; then
        # The wall clock of this program alone jumps 5 s ahead, 5 s after it started.
        cat >"$WORK/clockstep.c" <<'C'
#define _GNU_SOURCE
#include <dlfcn.h>
#include <sys/time.h>
#include <time.h>
static int (*real_clock_gettime)(clockid_t, struct timespec*);
static struct timespec started;
static int stepped(void) {
    struct timespec now;
    if (!real_clock_gettime) real_clock_gettime = dlsym(RTLD_NEXT, "clock_gettime");
    real_clock_gettime(CLOCK_MONOTONIC, &now);
    if (!started.tv_sec) started = now;
    return now.tv_sec - started.tv_sec >= 5;
}
__attribute__((constructor)) static void start(void) { stepped(); }
int clock_gettime(clockid_t clock, struct timespec* ts) {
    int step = stepped();
    int result = real_clock_gettime(clock, ts);
    if (result == 0 && step && (clock == CLOCK_REALTIME || clock == CLOCK_REALTIME_COARSE)) ts->tv_sec += 5;
    return result;
}
int gettimeofday(struct timeval* tv, void* tz) {
    struct timespec ts;
    int result = clock_gettime(CLOCK_REALTIME, &ts);
    (void)tz;
    if (result == 0 && tv) { tv->tv_sec = ts.tv_sec; tv->tv_usec = ts.tv_nsec / 1000; }
    return result;
}
time_t time(time_t* out) {
    struct timespec ts;
    clock_gettime(CLOCK_REALTIME, &ts);
    if (out) *out = ts.tv_sec;
    return ts.tv_sec;
}
C
        cc -shared -fPIC -O2 -o "$shim" "$WORK/clockstep.c" -ldl ||
            { NOTES="cannot build the clock shim"; return; }
    fi
    export LD_PRELOAD="$shim"
    open_row clock-step
    local opened=$?
    unset LD_PRELOAD
    ((opened == 0)) || return
    # The step comes about 3 s into the run.
    monitor_through 8
    wait_record 0 10
    watch_boxes "$PID" "$WID" 1
    close_program "$PID" "$WID"
}

fault_no_sound() {
    # The private sound server's pipe source, which nobody writes: opens, brings nothing.
    begin_row no-sound
    start_pulse
    launch --pulse
    main_window "$PID" || { NOTES="no window"; stop_pulse; return; }
    click $MONITOR_X $MONITOR_Y
    RUNS=1
    FED+=(0)
    if ! watch_boxes "$PID" "$WID" 10; then
        BAD="nothing told in 10 s"
        click $MONITOR_X $MONITOR_Y
        watch_boxes "$PID" "$WID" 3
    fi
    close_program "$PID" "$WID"
    stop_pulse
}

# Holds every rename of the running program PID 1.5 s once it is done (strace attached to all its
# threads), so that a kill falls between two renames of its storing; sets TRACER.
slow_renames() {
    strace -f -qq -o /dev/null -p "$PID" -e trace=rename,renameat,renameat2 \
        -e inject=rename,renameat,renameat2:delay_exit=1500000 2>/dev/null &
    TRACER=$!
    CHILDREN+=("$TRACER")
    sleep 1
}

# Kills the program of slow_renames as soon as COUNT files (default 1) match the pattern; notes
# what the folder held then.
kill_when_appears() {
    local pattern=$1 count=${2:-1} i
    for i in $(seq 3000); do
        (($(compgen -G "$pattern" | wc -l) >= count)) && break
        sleep 0.01
    done
    kill -KILL "$PID" 2>/dev/null
    wait "$PID" "$TRACER" 2>/dev/null
    NOTES="killed beside $(cd "$FOLDER/program" && ls -d Data* | sed 's/-unsaved-[0-9-]*/-unsaved-*/' |
        sort -u | tr '\n' ' ')"
}

# A run is kept aside, its archive because Data is a plain file (HOW file) or its working files
# because the disk is too full to pack them (HOW full); the program is killed at the instant the
# STEP-th file of it appears beside the program. Data is mended (or room made) and the program
# started again: the run must be stored.
fault_kill_keeping_aside() {
    local how=$1 step=$2
    begin_row "kill-keeping-aside-$how-$step"
    if [[ "$how" == file ]]; then
        echo "not a folder" >"$FOLDER/program/Data"
    else
        small_program_folder 160 || return
    fi
    launch
    main_window "$PID" || { NOTES="no window"; return; }
    watch_boxes "$PID" "$WID" 1
    slow_renames
    if [[ "$how" == file ]]; then
        monitor_for 6
    else
        # The run ends itself when the disk is full.
        click $MONITOR_X $MONITOR_Y
        RUNS=1
    fi
    kill_when_appears "$FOLDER/program/Data-unsaved-*" "$step"
    if [[ "$how" == file ]]; then
        rm -f "$FOLDER/program/Data"
    else
        # What the disk took is what the run fed; it must come back whole.
        FED+=("$("$BIN/marulo-faulttool" count "$FOLDER/program" |
            awk '$2 != "-" { s += $2 } END { printf "%.1f", s }')")
        mount -o remount,size=$(($(du -sk "$FOLDER/program" | cut -f1) + 8192))k "$FOLDER/program"
    fi
    launch
    main_window "$PID" || { NOTES+="${NOTES:+; }no window after mending"; return; }
    watch_boxes "$PID" "$WID" 3
    close_program "$PID" "$WID"
    [[ -e "$FOLDER/program/Data.run" ]] && BAD+="${BAD:+; }a run marker stays after the restart"
}

# Data on another file system: the program is killed at the instant the record has been renamed
# into place there, before the copy's source is removed; the restart must not store it again.
fault_kill_storing_across() {
    open_row_before_launch kill-storing-across || return
    mkdir -p "$FOLDER/synced"
    mount_small "$FOLDER/synced" 8192 || return
    ln -s "$FOLDER/synced" "$FOLDER/program/Data"
    launch
    main_window "$PID" || { NOTES="no window"; return; }
    slow_renames
    monitor_for 4
    kill_when_appears "$FOLDER/synced/*.zip"
    launch
    main_window "$PID" || { NOTES+="${NOTES:+; }no window after restart"; return; }
    watch_boxes "$PID" "$WID" 3
    close_program "$PID" "$WID"
    local stored
    stored=$(find "$FOLDER/synced/" -maxdepth 1 -name '*.zip' | wc -l)
    ((stored > RUNS)) && BAD+="${BAD:+; }one run stored $stored times"
}

run_fault() {
    local name=$1 label=$2
    shift 2
    wanted "$name" || return 0
    "fault_${name//-/_}" "$@"
    print_row "$label"
}

echo "| fault                                  | runs | records | fed s  | stored s| lost s | stranded | message shown                | ok?  | notes |"
echo "|----------------------------------------|------|---------|--------|---------|--------|----------|------------------------------|------|-------|"
if ((SHORT)); then
    run_fault plain "none (one plain run)"
    run_fault kill "kill -9 mid-run, restart"
    run_fault stop-click "stop + record click x3" 3 8
    run_fault cycles "10 quick start/stop cycles" 10
    run_fault double-click "double click on the monitoring button"
    run_fault data-unwritable "Data a plain file, then mended" file
    run_fault data-elsewhere "Data on another file system"
    run_fault kill-keeping-aside "kill -9 at the first file kept aside" file 1
    run_fault sigterm "SIGTERM while monitoring"
    run_fault window-close "window closed while monitoring"
    run_fault held-write "one Data.wav write held 3 s"
    run_fault clock-step "wall clock 5 s ahead mid-run"
    run_fault server-hung "sound server hung, stop and close"
else
    run_fault plain "none (one plain run)"
    run_fault kill "kill -9 mid-run, restart"
    run_fault stop-click "stop + record click x10" 10 30
    run_fault cycles "30 quick start/stop cycles" 30
    run_fault double-click "double click on the monitoring button"
    run_fault sound-server "sound server ended mid-run"
    run_fault sound-stall "sound server stopped 20 s mid-run" 20
    run_fault data-unwritable "Data read-only, then mended" read-only
    run_fault data-unwritable "Data a plain file, then mended" file
    run_fault data-elsewhere "Data on another file system"
    run_fault kill-keeping-aside "kill -9 at the first file kept aside" file 1
    run_fault kill-keeping-aside "kill -9 at the second file kept aside" file 2
    run_fault kill-keeping-aside "kill -9 at the first file, disk full" full 1
    run_fault kill-keeping-aside "kill -9 at the second file, disk full" full 2
    run_fault kill-keeping-aside "kill -9 at the third file, disk full" full 3
    run_fault kill-storing-across "kill -9 between copy and removal"
    run_fault file-size "file-size limit mid-run"
    run_fault full-disk "disk full mid-run, room made, restart"
    run_fault full-disk-start "kill -9, start on a full disk, restart"
    run_fault audio-bomb "audio bomb opened, killed unpacking"
    run_fault second-copy "second copy started"
    run_fault sigterm "SIGTERM while monitoring"
    run_fault sigterm-start "SIGTERM while a killed run is stored"
    run_fault window-close "window closed while monitoring"
    run_fault slow-disk "Data.wav writes held 150 ms, 30 s run" 30
    run_fault held-write "one Data.wav write held 3 s"
    run_fault clock-step "wall clock 5 s ahead mid-run"
    run_fault no-sound "input opens, never delivers"
    run_fault input-unplug "chosen input unplugged mid-run"
    run_fault server-restart "sound server restarted while idle"
    run_fault server-hung "sound server hung, stop and close"
fi
# Any row that lost audio, mixed or emptied records, or stranded a recording fails the bench.
exit $((FAILED > 0))
