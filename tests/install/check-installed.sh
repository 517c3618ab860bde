#!/usr/bin/env bash
# Checks an installed vu-meters tree as a user would get it:
#   check-installed.sh PREFIX [--forbid DIR]... [--hide DIR]... [--allow debug-info|sanitizer-sources]...
# PREFIX holds bin/vuplay. Every file must be there; none may name a --forbid
# folder (strings) or look for libraries outside the tree (readelf -d); the
# man pages and the desktop entry must pass their checkers. Then the installed
# programs run with each --hide folder out of reach, in a private mount
# namespace where the system allows one: --version, a vucheck check of both
# add-ons, --list-plugins, a headless recording of the demo on both meters whose last frame must show the bar
# meter, and the bash completion of the add-on names.
#
# --allow debug-info: a development build's debug information names its
# sources; only the rest of each file is searched.
# --allow sanitizer-sources: the address and undefined-behaviour sanitizers'
# tables name each source and header file, for their reports.
set -euo pipefail

fail() {
	echo "check-installed: $*" >&2
	exit 1
}

prefix="" inside=0 forbid=() hide=() allow=()
while [ $# -gt 0 ]; do
	case $1 in
	--forbid) forbid+=("$(realpath -m "$2")") && shift 2 ;;
	--hide) hide+=("$(realpath -m "$2")") && shift 2 ;;
	--allow) allow+=("$2") && shift 2 ;;
	--inside) inside=1 && shift ;;
	-*) fail "unknown option $1" ;;
	*) prefix=$(realpath "$1") && shift ;;
	esac
done
[ -n "$prefix" ] && [ -x "$prefix/bin/vuplay" ] || fail "no bin/vuplay in '${prefix:-}'"
allowed() { [[ " ${allow[*]} " == *" $1 "* ]]; }

# The one file of a pattern under the prefix; '*' matches across folders.
installed() {
	local matches
	mapfile -t matches < <(find "$prefix" -path "$prefix/$1")
	[ ${#matches[@]} -eq 1 ] || fail "expected one $1, found ${#matches[@]}"
	echo "${matches[0]}"
}

# The text of a man page, compressed or not.
page() { case $1 in *.gz) zcat "$1" ;; *) cat "$1" ;; esac }

static_checks() {
	local corvel addons man file
	corvel=$(installed 'lib*/vu-meters/add-ons/vis_Corvel_VU-Meter')
	addons=$(dirname "$corvel")
	[ -f "$addons/vis_Kestle_VU-Meter" ] || fail "vis_Kestle_VU-Meter is not beside vis_Corvel_VU-Meter"
	[ -f "$addons/../libbe.so" ] || fail "libbe.so is not in $(dirname "$addons")"
	[ -x "$addons/../vu-meter-process" ] || fail "vu-meter-process is not in $(dirname "$addons"), or not a program"
	installed bin/vucheck >/dev/null
	for man in vuplay vucheck; do
		file=$(installed "share/man/man1/$man.1*")
		[ -z "$(page "$file" | groff -man -ww -z 2>&1)" ] || fail "$file: groff warns: $(page "$file" | groff -man -ww -z 2>&1)"
	done
	for entry in vuplay vuplay-files; do
		file=$(installed "share/applications/$entry.desktop")
		desktop-file-validate "$file" || fail "the desktop entry $entry is not valid"
	done
	installed share/bash-completion/completions/vuplay >/dev/null
	installed share/icons/hicolor/scalable/apps/vuplay.svg >/dev/null
	installed "share/doc/vu-meters/README.md*" >/dev/null
	installed share/doc/vu-meters/copyright >/dev/null
	installed "share/doc/vu-meters/changelog*" >/dev/null
	installed share/doc/vu-meters/examples/vuplay-fifo.service >/dev/null

	local link
	while IFS= read -r -d '' link; do
		[[ $(realpath -m "$link") == "$prefix"/* ]] || fail "$link leads out of the tree"
	done < <(find "$prefix" -type l -print0)

	local scratch=$work/stripped text dir paths
	while IFS= read -r -d '' file; do
		text=$file
		if [ "$(head -c 4 "$file" | tr -d '\0')" = $'\x7fELF' ]; then
			# Libraries only through the run path relative to the file itself.
			paths=$(readelf -d "$file" | sed -n 's/.*(R\(UN\)\{0,1\}PATH).*\[\(.*\)\]/\2/p' | tr ':' '\n')
			while IFS= read -r dir; do
				[ -z "$dir" ] || [[ $dir == '$ORIGIN'* ]] || fail "$file: run path $dir is not relative to \$ORIGIN"
			done <<<"$paths"
			! readelf -d "$file" | grep '(NEEDED)' | grep -q / || fail "$file: needs a library by its path"
			if allowed debug-info; then
				objcopy --strip-debug "$file" "$scratch"
				text=$scratch
			fi
		fi
		for dir in "${forbid[@]}"; do
			local found
			found=$(strings -a "$text" | grep -F "$dir" || true)
			# strings(1) runs a path on from printable bytes before it ("HB/...").
			allowed sanitizer-sources && found=$(grep -vE "$dir/[^ ]+\.(c|cc|cpp|h|hpp)$" <<<"$found" || true)
			[ -z "$found" ] || fail "$file names $dir: $(head -n 1 <<<"$found")"
		done
	done < <(find "$prefix" -type f -print0)
}

# The installed programs, with nothing of the caller's environment but the
# sanitizers' options.
run() {
	env -i PATH="$prefix/bin:/usr/bin:/bin" HOME="$work/home" SDL_AUDIODRIVER=dummy \
		${ASAN_OPTIONS+ASAN_OPTIONS="$ASAN_OPTIONS"} ${LSAN_OPTIONS+LSAN_OPTIONS="$LSAN_OPTIONS"} \
		${TSAN_OPTIONS+TSAN_OPTIONS="$TSAN_OPTIONS"} "$@"
}

# How many pixels of the picture have exactly this colour.
pixels() {
	convert "$1" -format %c histogram:info:- |
		awk -v colour="$2" 'substr($3, 1, 7) == colour { sub(":", "", $1); n += $1 } END { print n + 0 }'
}

run_checks() {
	local out
	mkdir -p "$work/home"
	cd "$work"

	out=$(run vuplay --version) || fail "vuplay --version failed"
	[[ $out =~ ^vuplay\ \(vu-meters\)\ [0-9]+\.[0-9]+$ ]] || fail "vuplay --version: $out"
	out=$(run vucheck --version) || fail "vucheck --version failed"
	[[ $out =~ ^vucheck\ \(vu-meters\)\ [0-9]+\.[0-9]+$ ]] || fail "vucheck --version: $out"
	out=$(run vucheck --only 1 corvel kestle) || fail "vucheck on the installed add-ons failed: $out"
	[ "$(grep -cE "^$prefix/lib.*/vu-meters/add-ons/vis_(Corvel|Kestle)_VU-Meter \(seed" <<<"$out")" -eq 2 ] ||
		fail "vucheck did not check the installed add-ons: $out"

	out=$(run vuplay --list-plugins) || fail "vuplay --list-plugins failed"
	[ "$(wc -l <<<"$out")" -eq 2 ] || fail "vuplay --list-plugins: $out"
	grep -qE "^corvel +Corvel's VU-Meter by Corvel Dravik +$prefix/lib.*/vu-meters/add-ons/vis_Corvel_VU-Meter$" <<<"$out" ||
		fail "vuplay --list-plugins shows no installed corvel: $out"
	grep -qE "^kestle +Kestle VU-Meter by Vessik Lundrel +$prefix/lib.*/vu-meters/add-ons/vis_Kestle_VU-Meter$" <<<"$out" ||
		fail "vuplay --list-plugins shows no installed kestle: $out"

	run vuplay --headless -p corvel -p kestle --settings-dir settings --record last.png ||
		fail "the headless recording failed"
	[ "$(ls settings | wc -l)" -eq 2 ] || fail "the add-ons wrote no settings: $(ls settings)"
	# The bar meter's last frame: black, the bars' green tops at least.
	local size total black green
	size=$(identify -format '%w %h' last.png) || fail "last.png is no picture"
	total=$((${size% *} * ${size#* }))
	black=$(pixels last.png '#000000')
	green=$(pixels last.png '#00FF00')
	[ "$total" -gt 1000 ] && [ $((black * 2)) -gt "$total" ] && [ "$green" -ge 20 ] ||
		fail "last.png ($size) shows no bar meter: $black black and $green green pixels"

	out=$(run bash -c 'source /usr/share/bash-completion/bash_completion
		source "$1"
		COMP_WORDS=(vuplay -p ""); COMP_CWORD=2; COMP_LINE="vuplay -p "; COMP_POINT=${#COMP_LINE}
		_vuplay vuplay "" -p; echo "${COMPREPLY[*]}"' - "$prefix/share/bash-completion/completions/vuplay")
	[ "$out" = "corvel kestle" ] || fail "completing 'vuplay -p ' gave '$out'"
	echo "check-installed: $prefix passed"
}

if [ "$inside" -eq 1 ]; then
	work=$(dirname "$0")
	for dir in "${hide[@]}"; do
		[ ! -d "$dir" ] || mount -t tmpfs -o size=4k,mode=0755 vu-hidden "$dir"
		[ -z "$(ls -A "$dir")" ] || fail "$dir is still in reach"
	done
	run_checks
	exit
fi

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
static_checks

# The sanitizers' suppressions may lie in a folder about to be hidden.
if [[ ${LSAN_OPTIONS-} =~ suppressions=([^:]+) ]]; then
	cp "${BASH_REMATCH[1]}" "$work/lsan.supp"
	export LSAN_OPTIONS=${LSAN_OPTIONS/${BASH_REMATCH[1]}/$work/lsan.supp}
fi
if [[ ${TSAN_OPTIONS-} =~ suppressions=([^:]+) ]]; then
	cp "${BASH_REMATCH[1]}" "$work/tsan.supp"
	export TSAN_OPTIONS=${TSAN_OPTIONS/${BASH_REMATCH[1]}/$work/tsan.supp}
fi
mkdir "$work/probe"
if [ ${#hide[@]} -gt 0 ] && unshare --mount --propagation private mount -t tmpfs vu-probe "$work/probe" 2>/dev/null; then
	cp "$0" "$work/check-installed.sh"
	args=()
	for dir in "${hide[@]}"; do args+=(--hide "$dir"); done
	unshare --mount --propagation private bash "$work/check-installed.sh" --inside "${args[@]}" "$prefix"
else
	[ ${#hide[@]} -eq 0 ] || echo "check-installed: no private mount namespace here; the folders stay, and no file names them"
	run_checks
fi
