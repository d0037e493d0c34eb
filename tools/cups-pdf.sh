#!/usr/bin/env bash
# A private CUPS server with one PDF printer, "TricomaPDF", as its default
# printer, for the end-to-end print test. Nothing of the machine's own
# printing set-up is touched: the server has its own folders and listens
# only on a local socket. Clients reach it with CUPS_SERVER=<dir>/cups.sock.
#
#   tools/cups-pdf.sh start   start it (again) and set the printer up
#   tools/cups-pdf.sh stop    stop it
#   tools/cups-pdf.sh status  exit 0 when it runs
#
# Folder: $TRICOMA_CUPS_DIR, default /tmp/tricoma-cups. PDFs land in out/.
set -euo pipefail

DIR="${TRICOMA_CUPS_DIR:-/tmp/tricoma-cups}"
SOCK="$DIR/cups.sock"
QUEUE=TricomaPDF
PPD=/usr/share/ppd/cups-pdf/CUPS-PDF_opt.ppd
# The PDF backend takes its settings from /etc/cups/cups-pdf-<name>.conf
# for a device URI cups-pdf:/<name>; this name is ours alone.
PDFCONF=/etc/cups/cups-pdf-tricoma.conf

die() { echo "cups-pdf.sh: $*" >&2; exit 1; }

running() {
  [ -f "$DIR/cupsd.pid" ] && kill -0 "$(cat "$DIR/cupsd.pid")" 2>/dev/null && [ -S "$SOCK" ]
}

stop() {
  if [ -f "$DIR/cupsd.pid" ]; then
    pid=$(cat "$DIR/cupsd.pid")
    if kill -0 "$pid" 2>/dev/null; then
      kill "$pid"
      for _ in $(seq 50); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
    fi
    rm -f "$DIR/cupsd.pid"
  fi
}

start() {
  command -v cupsd >/dev/null || die "cupsd is missing (Debian package cups); run tools/setup.sh"
  [ -x /usr/lib/cups/backend/cups-pdf ] || die "the cups-pdf backend is missing (printer-driver-cups-pdf)"
  [ -f "$PPD" ] || die "$PPD is missing (printer-driver-cups-pdf)"
  # The PDF backend only runs as root, so the server must be started by root.
  [ "$(id -u)" -eq 0 ] || die "must run as root (the PDF backend runs as root only)"

  stop
  rm -rf "$DIR"
  mkdir -p "$DIR"/{etc/ppd,spool/tmp,cache,state,log,out,pdfspool}
  chmod 755 "$DIR" "$DIR/etc" "$DIR/out"
  chgrp lp "$DIR/spool" "$DIR/spool/tmp" "$DIR/cache" 2>/dev/null || true
  chmod 1770 "$DIR/spool/tmp"
  chmod 710 "$DIR/spool"
  chmod 770 "$DIR/cache"

  cat > "$DIR/etc/cups-files.conf" <<CONF
ServerRoot $DIR/etc
RequestRoot $DIR/spool
TempDir $DIR/spool/tmp
CacheDir $DIR/cache
StateDir $DIR/state
ServerBin /usr/lib/cups
DataDir /usr/share/cups
DocumentRoot /usr/share/cups/doc-root
AccessLog $DIR/log/access_log
ErrorLog $DIR/log/error_log
PageLog $DIR/log/page_log
SystemGroup root
Sandboxing Relaxed
FileDevice No
CONF

  cat > "$DIR/etc/cupsd.conf" <<CONF
Listen $SOCK
LogLevel warn
WebInterface No
Browsing No
BrowseLocalProtocols none
DefaultAuthType None
PreserveJobHistory Yes
PreserveJobFiles No
<Location />
  Order allow,deny
  Allow all
</Location>
<Policy default>
  JobPrivateAccess all
  JobPrivateValues none
  SubscriptionPrivateAccess all
  SubscriptionPrivateValues none
  <Limit All>
    Order deny,allow
  </Limit>
</Policy>
CONF

  cat > "$PDFCONF" <<CONF
# Written by tools/cups-pdf.sh for Tricoma's print test queue.
Out $DIR/out
AnonDirName $DIR/out
Spool $DIR/pdfspool
Label 1
TitlePref 1
Log $DIR/log
LogType 3
Grp root
CONF

  setsid cupsd -f -c "$DIR/etc/cupsd.conf" -s "$DIR/etc/cups-files.conf" \
    </dev/null >"$DIR/log/cupsd.out" 2>&1 &
  echo $! > "$DIR/cupsd.pid"
  for _ in $(seq 100); do [ -S "$SOCK" ] && break; sleep 0.1; done
  running || { cat "$DIR/log/cupsd.out" "$DIR/log/error_log" 2>/dev/null >&2 || true; die "cupsd did not start"; }

  lpadmin -h "$SOCK" -p "$QUEUE" -E -v cups-pdf:/tricoma -P "$PPD" -o printer-is-shared=false
  lpadmin -h "$SOCK" -d "$QUEUE"
  cupsenable -h "$SOCK" "$QUEUE"
  cupsaccept -h "$SOCK" "$QUEUE"
  lpstat -h "$SOCK" -d | grep -q "$QUEUE" || die "the default printer was not set"
  echo "CUPS with default printer $QUEUE runs: CUPS_SERVER=$SOCK (PDFs in $DIR/out)"
}

case "${1:-start}" in
  start) start ;;
  stop) stop ;;
  status) running ;;
  *) die "usage: $0 start|stop|status" ;;
esac
