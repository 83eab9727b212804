#!/usr/bin/env bash
# End to end through a real print system: a private CUPS daemon with a cups-pdf queue as the
# default printer; "Print" is pressed in the offscreen window, and the PDF the queue wrote is
# checked. The daemon, the queue's settings and the output are removed afterwards.
# Usage: print_e2e.sh PRINT_CLICK_PROGRAM
set -euo pipefail
click=$1
if [ "$(id -u)" -ne 0 ]; then
  echo "skipped: the cups-pdf backend runs only under a CUPS daemon started as root"
  exit 77
fi
for tool in cupsd lpadmin lpstat pdftotext; do
  command -v "$tool" >/dev/null || { echo "missing $tool (run scripts/install-deps.sh)"; exit 1; }
done
ppd=/usr/share/ppd/cups-pdf/CUPS-PDF_opt.ppd
[ -f "$ppd" ] || { echo "missing $ppd (printer-driver-cups-pdf)"; exit 1; }

tmp=$(mktemp -d /tmp/tallyquote-cups.XXXXXX)
chmod 755 "$tmp"
instance="tallyquote$$"
conf="/etc/cups/cups-pdf-$instance.conf"  # cups-pdf reads its per-queue settings only there
pid=""
cleanup() {
  [ -n "$pid" ] && kill "$pid" 2>/dev/null && wait "$pid" 2>/dev/null || true
  rm -f "$conf"
  rm -rf "$tmp"
}
trap cleanup EXIT

mkdir -p "$tmp"/{etc/ppd,spool/tmp,cache,state,log,out,home}
chmod 1777 "$tmp/out" "$tmp/spool/tmp"
cat > "$tmp/etc/cupsd.conf" <<CONF
Listen $tmp/cups.sock
LogLevel warn
WebInterface No
Browsing No
DefaultAuthType None
CONF
cat > "$tmp/etc/cups-files.conf" <<CONF
ServerRoot $tmp/etc
RequestRoot $tmp/spool
TempDir $tmp/spool/tmp
CacheDir $tmp/cache
StateDir $tmp/state
ErrorLog $tmp/log/error_log
AccessLog $tmp/log/access_log
PageLog $tmp/log/page_log
ServerBin /usr/lib/cups
DataDir /usr/share/cups
CONF
cat > "$conf" <<CONF
Out $tmp/out
AnonDirName $tmp/out
UserPrefix
Label 0
CONF

cupsd -f -c "$tmp/etc/cupsd.conf" -s "$tmp/etc/cups-files.conf" &
pid=$!
export CUPS_SERVER="$tmp/cups.sock"
for _ in $(seq 100); do
  lpstat -r 2>/dev/null | grep -q "is running" && break
  sleep 0.1
done
lpstat -r | grep -q "is running" || { cat "$tmp/log/error_log" 2>/dev/null; echo "cupsd did not start"; exit 1; }

lpadmin -p TallyquotePDF -E -v "cups-pdf:/$instance" -P "$ppd"
# Keeps the page's text as text on its way through PostScript, so that it can be read back.
lpadmin -p TallyquotePDF -o pdftops-renderer-default=pdftocairo
lpadmin -d TallyquotePDF
export HOME="$tmp/home"
lpstat -d

QT_QPA_PLATFORM=offscreen "$click"

# Waits for the queue to finish the job and cups-pdf to write the file; prints its name.
wait_pdf() {
  local found=""
  for _ in $(seq 300); do
    found=$(find "$tmp/out" -name '*.pdf' -size +0 2>/dev/null | head -n 1)
    [ -n "$found" ] && [ -z "$(lpstat -o 2>/dev/null)" ] && break
    sleep 0.1
  done
  echo "$found"
}
pdf=$(wait_pdf)
if [ -z "$pdf" ]; then
  echo "the queue wrote no PDF"
  lpstat -W all -o || true
  cat "$tmp/log/error_log" 2>/dev/null || true
  exit 1
fi
sleep 0.5
text=$(pdftotext -layout "$pdf" -)
for expected in "Vehicle Particulars" "Lease Payment Information" "MSRP:" '$30000' \
                "Payment:" '$401.59' "Total Due:" '$2431.59' "Total Reserve:" '$641.89' \
                "Amount Financed:" '$27883.20' '$550.81' "Residual:" "0.55"; do
  if ! grep -qF -- "$expected" <<<"$text"; then
    echo "the printed page lacks: $expected"
    echo "$text"
    exit 1
  fi
done
# Where each line sits on the page is print_pdf_test's business; here, that it reached paper.
pages=$(pdfinfo "$pdf" | awk '/^Pages:/ {print $2}')
[ "$pages" = 1 ] || { echo "expected one page, got $pages"; exit 1; }
[ -n "${TALLYQUOTE_KEEP_PDF:-}" ] && cp "$pdf" "$TALLYQUOTE_KEEP_PDF"

# The customer copy through the system's print dialog, to the same queue.
mv "$pdf" "$tmp/summary.pdf"
pdf="$tmp/summary.pdf"
QT_QPA_PLATFORM=offscreen "$click" customer
copy=$(wait_pdf)
[ -n "$copy" ] || { echo "the queue wrote no customer copy"; exit 1; }
sleep 0.5
text=$(pdftotext -layout "$copy" -)
for expected in "Lease disclosure" "Total of payments" "\$16,987.24" "\$2,931.59" "not a contract"; do
  grep -qF -- "$expected" <<<"$text" || { echo "the customer copy lacks: $expected"; echo "$text"; exit 1; }
done
if grep -qiE -- "reserve|buy rate|641.89" <<<"$text"; then
  echo "the customer copy shows the desk's own figures"; exit 1
fi
echo "printed through CUPS to $pdf and $copy: the summary and the customer copy"
