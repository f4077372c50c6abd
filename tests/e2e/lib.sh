# shellcheck shell=bash
# shellcheck disable=SC2034,SC2154  # variables shared with the calling scripts (saved, app, modes)
# Shared pieces of the end-to-end scripts: a private Xvfb (with or without a compositing manager),
# Corvix started in it, screenshots and picture checks. Source it from a script that has `set -euo
# pipefail`; it sets `work` (a scratch folder removed at exit), `DISPLAY`, `HOME` and `saved` (the
# save folder Corvix uses), and adds what it starts to `pids` (ended at exit, newest first).
#   e2e_modes NAME ARGS...           with more than one mode in $modes, runs the calling script once
#                                     per mode (ARGS then the mode) and exits; else sets `mode`
#   e2e_init SCREENS_FOLDER TOOL...   checks the tools, prepares the scratch folder and the trap
#   e2e_start_x [compositor|bare]     Xvfb 1920x1080, with xcompmgr unless "bare"
#   e2e_start_app [ARGS...]           starts $app (the build's corvix) logging to $work/app.log
#   e2e_wait_picture                  waits until the screen shows the bright test card
#   shot NAME.png                     screenshot of the whole screen into $screens
#   brightness FILE [GEOMETRY]        mean brightness 0-255 of a file or of a crop of it
#   fail MESSAGE                      keeps logs and a screenshot beside the screens and exits 1

pids=()
work=""
screens=${screens:-}  # a script may name its folder before sourcing this

e2e_cleanup() {
    # Only what the script started, newest first, by process id.
    for ((i = ${#pids[@]} - 1; i >= 0; i--)); do
        kill -TERM "${pids[i]}" 2>/dev/null || true
        for _ in $(seq 1 50); do kill -0 "${pids[i]}" 2>/dev/null || break; sleep 0.1; done
        kill -KILL "${pids[i]}" 2>/dev/null || true
    done
    [ -n "$work" ] && rm -rf "$work"
}

fail() {
    echo "e2e FAILED: $*" >&2
    # Keep the evidence beside the screenshots.
    local keep=$screens/../e2e-failure
    mkdir -p "$keep"
    cp "$work"/*.log "$work"/*.png "$keep"/ 2>/dev/null || true
    import -window root "$keep/screen_at_failure.png" 2>/dev/null || true
    echo "e2e: logs and screens kept in $keep" >&2
    exit 1
}

e2e_modes() {
    local name=$1 m
    shift
    # shellcheck disable=SC2154  # set by the calling script
    if [ "$modes" != compositor ] && [ "$modes" != bare ]; then
        # One run per mode, each with its own X server and scratch folder.
        for m in $modes; do
            echo "== e2e $name $m"
            "$0" "$@" "$m"
        done
        exit 0
    fi
    mode=$modes
}

e2e_init() {
    screens=$1
    shift
    local tool
    for tool in Xvfb xdotool import convert xdpyinfo "$@"; do
        command -v "$tool" >/dev/null 2>&1 || { echo "e2e: $tool is missing" >&2; exit 2; }
    done
    mkdir -p "$screens"
    screens=$(cd "$screens" && pwd)
    work=$(mktemp -d)
    trap e2e_cleanup EXIT
    export HOME=$work/home
    export XDG_DOCUMENTS_DIR=$HOME/Documents
    export XDG_CONFIG_HOME=$HOME/.config
    export QT_QPA_PLATFORM=xcb
    export QEL_VIRTUAL_CAMERAS=${QEL_VIRTUAL_CAMERAS:-1}
    mkdir -p "$HOME"
    saved=$HOME/Documents/Corvix
}

e2e_start_x() {
    local mode=${1:-compositor}
    # Xvfb chooses a free display number and writes it to descriptor 3 once it accepts clients.
    Xvfb -displayfd 3 -screen 0 1920x1080x24 -nolisten tcp >"$work/xvfb.log" 2>&1 3>"$work/display" &
    pids+=($!)
    for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.1; done
    [ -s "$work/display" ] || fail "Xvfb did not start"
    DISPLAY=":$(head -n 1 "$work/display")"
    export DISPLAY
    xdpyinfo >/dev/null 2>&1 || fail "Xvfb does not answer on $DISPLAY"
    if [ "$mode" = compositor ]; then
        command -v xcompmgr >/dev/null 2>&1 || { echo "e2e: xcompmgr is missing" >&2; exit 2; }
        xcompmgr >"$work/xcompmgr.log" 2>&1 &
        pids+=($!)
    fi
}

e2e_start_app() {
    # The scripts read diagnostic lines from the log; Corvix prints warnings only unless asked.
    QT_LOGGING_RULES=${QT_LOGGING_RULES:-default.debug=true} "$app" "$@" >"$work/app.log" 2>&1 &
    app_pid=$!
    pids+=("$app_pid")
}

shot() { import -window root "$screens/$1"; echo "screenshot $screens/$1"; }

brightness() {
    if [ $# -ge 2 ]; then
        convert "$1" -crop "$2" +repage -colorspace Gray -resize 1x1\! -format "%[fx:int(255*mean)]" info:
    else
        convert "$1" -colorspace Gray -resize 1x1\! -format "%[fx:int(255*mean)]" info:
    fi
}

# The screen turns from the black window with its dark hint to the bright test card.
e2e_wait_picture() {
    local picture=0
    for _ in $(seq 60); do
        import -window root "$work/probe.png" 2>/dev/null || true
        if [ -f "$work/probe.png" ] && [ "$(brightness "$work/probe.png")" -gt 60 ]; then picture=1; break; fi
        sleep 0.25
    done
    [ $picture = 1 ] || fail "no picture within 15 s"
}

# A screenshot taken without a compositor: the live picture where no window lies (not black, not
# flat) and the window itself drawn (its own colour: a mean brightness within MIN..MAX).
#   check_bare FILE PICTURE_CROP WINDOW_CROP MIN MAX
check_bare() {
    local file=$1 mean spread drawn
    mean=$(brightness "$file" "$2")
    spread=$(convert "$file" -crop "$2" +repage -colorspace Gray -format "%[fx:int(255*standard_deviation)]" info:)
    [ "$mean" -gt 40 ] && [ "$spread" -gt 20 ] ||
        fail "no live picture at $2 in $file (mean $mean, spread $spread)"
    drawn=$(brightness "$file" "$3")
    [ "$drawn" -ge "$4" ] && [ "$drawn" -le "$5" ] || fail "the window at $3 is not drawn in $file (brightness $drawn)"
    echo "$file: picture at $2 (mean $mean, spread $spread), window drawn at $3 (brightness $drawn)"
}
