#!/usr/bin/env bash
# Opens the spreadsheets the back office exports in a real spreadsheet program (LibreOffice
# Calc, headless) and compares the cells it reads: the workbook's against the CSV files', cell
# by cell; money and dates must arrive as numbers and dates, not texts, and money must show
# two decimals. The files come from the form page's export tests (tests/form/sheets_test.cpp),
# run against a real server on the demo data.
#   scripts/check-sheets.sh          (installs libreoffice-calc-nogui when missing; ~1 minute)
set -euo pipefail
cd "$(dirname "$0")/.."

if ! dpkg-query -W -f='${Status}' libreoffice-calc-nogui 2>/dev/null | grep -q "install ok installed"; then
  SUDO=""; [ "$(id -u)" -ne 0 ] && SUDO="sudo"
  $SUDO apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends \
    libreoffice-calc-nogui
fi
scripts/ensure-deps.sh
scripts/build.sh >/dev/null

WORK=$(mktemp -d)
trap 'rm -rf "$WORK"' EXIT
VND_SHEETS_KEEP="$WORK" QT_QPA_PLATFORM=offscreen "${BUILD_DIR:-build}/bin/form_tests" \
  --gtest_filter='Sheets.*Export*' >"$WORK/tests.log" 2>&1 || { cat "$WORK/tests.log"; exit 1; }

# Its own profile, so it runs beside a LibreOffice the user has open.
calc() { soffice -env:UserInstallation="file://$WORK/profile" --headless "$@" >>"$WORK/lo.log" 2>&1; }
# ";" separated, quotes around every text cell (so a number read as text shows), UTF-8, the
# Brazilian language; then cell values as stored (raw) or as shown; every sheet (-1).
RAW='csv:Text - txt - csv (StarCalc):59,34,76,1,,1046,true,true,false,false,false'
SHOWN='csv:Text - txt - csv (StarCalc):59,34,76,1,,1046,true,true,true,false,false'
calc --convert-to "$RAW,-1" --outdir "$WORK/xlsx" "$WORK/precos.xlsx"
calc --convert-to "$SHOWN,-1" --outdir "$WORK/shown" "$WORK/precos.xlsx"
for f in "$WORK/precos.csv" "$WORK/precos - Preços Diferenciados.csv"; do
  calc --infilter='CSV:59,34,76,1,,1046' --convert-to "$RAW" --outdir "$WORK/csv" "$f"
done

python3 - "$WORK" <<'EOF'
import csv, os, re, sys

work = sys.argv[1]
MONEY = {"Preço", "Preço Subs.", "Pr. Delivery", "Pr. Comanda", "Pr. Sugerido",
         "Pr. Calculado", "Mark Up", "Valor", "Preço Dlv.", "Preço Cmd"}
DATES = {"Início Validade", "Fim Validade"}

def read(path):
    # Each cell with whether LibreOffice wrote it quoted (a text cell).
    rows = []
    with open(path, encoding="utf-8-sig", newline="") as f:
        for line in f.read().split("\n"):
            if not line:
                continue
            cells, quoted = [], []
            for m in re.finditer(r'(?:^|;)("(?:[^"]|"")*"|[^;]*)', line):
                v = m.group(1)
                q = v.startswith('"')
                cells.append(v[1:-1].replace('""', '"') if q else v)
                quoted.append(q)
            rows.append(list(zip(cells, quoted)))
    return rows

def same(a, b):
    if a == b:
        return True
    try:
        return abs(float(a) - float(b)) < 1e-9
    except ValueError:
        return False

faults, cells = [], 0
pairs = [("Preços", "precos.csv"), ("Preços Diferenciados", "precos - Preços Diferenciados.csv")]
for sheet, csvname in pairs:
    book = read(os.path.join(work, "xlsx", "precos-%s.csv" % sheet))
    shown = read(os.path.join(work, "shown", "precos-%s.csv" % sheet))
    text = read(os.path.join(work, "csv", csvname))
    if len(book) != len(text):
        faults.append("%s: %d linhas na planilha, %d no CSV" % (sheet, len(book), len(text)))
        continue
    titles = [c for c, _ in book[0]]
    for r, (brow, trow, srow) in enumerate(zip(book, text, shown)):
        for c, title in enumerate(titles):
            (bv, bq), (tv, _), (sv, _) = brow[c], trow[c], srow[c]
            cells += 1
            where = "%s, linha %d, %s" % (sheet, r + 1, title)
            if not same(bv, tv):
                faults.append("%s: planilha %r, CSV %r" % (where, bv, tv))
            if r == 0 or bv == "":
                continue
            if title in MONEY and (bq or not re.fullmatch(r"-?\d+(\.\d+)?", bv)):
                faults.append("%s: %r não é um número" % (where, bv))
            if title in MONEY and not re.fullmatch(r"-?[\d,]+\.\d\d", sv):
                faults.append("%s: %r não aparece com duas casas" % (where, sv))
            if title in DATES and (bq or not re.fullmatch(r"\d\d/\d\d/\d{4}", bv)):
                faults.append("%s: %r não é uma data" % (where, bv))
    print("%s: %d linhas" % (sheet, len(book) - 1))
for f in faults[:20]:
    print(f)
print("%d células comparadas, %d diferenças" % (cells, len(faults)))
sys.exit(1 if faults else 0)
EOF
