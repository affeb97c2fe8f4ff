#!/usr/bin/env python3
"""Printing end to end on the machine's "PDF" print queue (CUPS with cups-pdf).

Runs print_queue_probe under Wine, waits for the PDFs the queue writes, and checks them with
poppler's tools. The job cancelled at its third page must have shown its pages and the album's
name, kept the album's window repainting and closed to input, and left no PDF. Then the page count
of the other two jobs, and on the rendered first page of the full job the
frames at the places the page layout gives, the picture inside each box (the source's dark gray,
or the thumbnail's light gray where the source is missing), the white room between picture and
frame, and a name under every box; the job of selected thumbnails with none selected must be one
blank page. The PDFs and a PNG of the first page stay in the output folder.

Usage: check_print_queue.py PROBE_EXE OUTPUT_FOLDER. Exit 0 passed, 1 failed, 77 skipped.
"""
import glob
import os
import re
import shutil
import subprocess
import sys
import time

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(os.path.dirname(HERE))
RENDER_DPI = 150


def skip(reason):
    print("SKIPPED: " + reason)
    sys.exit(77)


def run(args, **kw):
    return subprocess.run(args, capture_output=True, text=True, **kw)


def queue_ready():
    for tool in ("lpstat", "pdfinfo", "pdftoppm"):
        if not shutil.which(tool):
            skip(tool + " is not installed (scripts/setup.sh installs cups, printer-driver-cups-pdf, poppler-utils)")
    if run(["lpstat", "-r"]).stdout.strip() != "scheduler is running":
        skip("the CUPS scheduler is not running (scripts/print-queue.sh starts it when run as root)")
    if run(["lpstat", "-v", "PDF"]).returncode != 0:
        skip("there is no print queue named PDF (scripts/print-queue.sh creates it when run as root)")
    default = run(["lpstat", "-d"]).stdout.strip()
    if not default.endswith(": PDF"):
        skip("the default printer is not the PDF queue (%s); not printing on another printer" % default)


def output_folder():
    folder = "${HOME}/PDF"
    try:
        with open("/etc/cups/cups-pdf.conf") as conf:
            for line in conf:
                parts = line.split()
                if len(parts) >= 2 and parts[0] == "Out":
                    folder = parts[1]
    except OSError:
        pass
    return folder.replace("${HOME}", os.path.expanduser("~"))


def wait_for_pdf(folder, title, seconds=120):
    deadline = time.time() + seconds
    while time.time() < deadline:
        for path in glob.glob(os.path.join(folder, title + "*.pdf")):
            if run(["pdfinfo", path]).returncode == 0:
                return path
        time.sleep(0.5)
    return None


def page_count(pdf):
    match = re.search(r"^Pages:\s+(\d+)", run(["pdfinfo", pdf]).stdout, re.M)
    return int(match.group(1)) if match else -1


class Gray:
    """A page rendered by pdftoppm -gray as a binary PGM."""

    def __init__(self, pdf, stem):
        subprocess.run(["pdftoppm", "-gray", "-r", str(RENDER_DPI), "-f", "1", "-l", "1", "-singlefile", pdf, stem],
                       check=True)
        with open(stem + ".pgm", "rb") as f:
            data = f.read()
        fields, pos = [], 0
        while len(fields) < 4:
            while data[pos:pos + 1].isspace():
                pos += 1
            start = pos
            while not data[pos:pos + 1].isspace():
                pos += 1
            fields.append(data[start:pos])
        assert fields[0] == b"P5" and fields[3] == b"255", fields
        self.width, self.height = int(fields[1]), int(fields[2])
        self.pixels = data[pos + 1:]

    def at(self, x, y):
        x = min(max(int(round(x)), 0), self.width - 1)
        y = min(max(int(round(y)), 0), self.height - 1)
        return self.pixels[y * self.width + x]

    def darkest(self, x0, y0, x1, y1):
        return min(self.at(x, y) for y in range(int(y0), int(y1) + 1) for x in range(int(x0), int(x1) + 1))

    def mean(self, x, y, r=3):
        values = [self.at(x + dx, y + dy) for dy in range(-r, r + 1) for dx in range(-r, r + 1)]
        return sum(values) / len(values)


def layout(width, height, dpi, size, names):
    """The page layout the library promises, worked out again from the printer's capabilities."""
    columns = max(1, (width * 16 // dpi) // size)
    rows = max(1, (height * 16 // dpi) // size)
    box = dpi * size // 16
    row_pitch = height // rows
    if names and row_pitch - box < 50:
        rows = max(1, height // (box + 50))
        row_pitch = height // rows
    return columns, rows, width // columns, row_pitch, box


def main():
    probe, out = sys.argv[1], sys.argv[2]
    queue_ready()
    os.makedirs(out, exist_ok=True)
    for old in glob.glob(os.path.join(out, "*")):
        os.remove(old)
    tag = "%d-%d" % (os.getpid(), int(time.time()))
    result = run([os.path.join(ROOT, "scripts", "wine-run.sh"), probe, tag, "Z:" + out.replace("/", "\\")],
                 timeout=300)
    print(result.stdout, end="")
    if result.returncode != 0:
        print(result.stderr[-2000:])
        print("FAILED: the probe could not print (exit %d)" % result.returncode)
        return 1
    facts = {}
    for line in result.stdout.splitlines():
        parts = line.split()
        if parts:
            facts[parts[0]] = parts[1:]
    failures = []

    def check(ok, what):
        print(("ok      " if ok else "FAILED  ") + what)
        if not ok:
            failures.append(what)

    check(facts.get("setup-device") == ["PDF"], "Printer Setup in the dialog chose the PDF printer")

    width, height, dpi, offset_x, offset_y = (int(v) for v in facts["caps"])
    columns, rows = layout(width, height, dpi, 16, True)[:2]
    pages = (300 + columns * rows - 1) // (columns * rows)
    shown = [line[len("cancel-page "):] for line in result.stdout.splitlines() if line.startswith("cancel-page ")]
    check(shown == ["Printing page %d of %d" % (n, pages) for n in (1, 2, 3)],
          "300 thumbnails in 1-inch boxes: pages 1, 2 and 3 of %d shown, none after Cancel" % pages)
    check(facts.get("cancel-caption") == ["lcprint-cancel-%s" % tag, "-", "Lumicraft", "2000"],
          "the progress window's caption names the album")
    check(facts.get("cancel") == ["result", "-1", "owner", "1", "disabled", "1", "repainted", "1",
                                  "enabled-after", "1", "closed", "1"],
          "Cancel pressed with the mouse at page 3: the print reports it cancelled; the window was the "
          "album window's, which repainted during the job, took no input and is enabled again")
    if os.path.exists(os.path.join(out, "progress-window.bmp")) and shutil.which("convert"):
        subprocess.run(["convert", os.path.join(out, "progress-window.bmp"), os.path.join(out, "progress-window.png")])
        os.remove(os.path.join(out, "progress-window.bmp"))

    pdf_folder = output_folder()
    pdfs = {}
    for job in ("all", "none"):
        found = wait_for_pdf(pdf_folder, "lcprint-%s-%s" % (job, tag))
        check(found is not None, "the queue wrote the PDF of job %s into %s" % (job, pdf_folder))
        if found:
            pdfs[job] = os.path.join(out, "%s.pdf" % job)
            shutil.move(found, pdfs[job])
    if len(pdfs) < 2:
        return 1
    # The queue prints in order: the cancelled job, sent first, would have come out by now.
    check(not glob.glob(os.path.join(pdf_folder, "*lcprint-cancel-%s*" % tag)), "the cancelled job left no PDF")

    count, missing = int(facts["album"][0]), int(facts["album"][2])
    source_gray, thumb_gray, size = int(facts["album"][4]), int(facts["album"][6]), int(facts["album"][8])
    columns, rows, column_pitch, row_pitch, box = layout(width, height, dpi, size, True)
    per_page = columns * rows
    expected_pages = (count + per_page - 1) // per_page
    check(page_count(pdfs["all"]) == expected_pages,
          "%d thumbnails in %d x %d boxes a page make %d pages" % (count, columns, rows, expected_pages))
    check(page_count(pdfs["none"]) == 1, "selected thumbnails with none selected: one page")

    page = Gray(pdfs["all"], os.path.join(out, "all-page1"))
    scale = RENDER_DPI / dpi
    px = lambda device_x: (device_x + offset_x) * scale
    py = lambda device_y: (device_y + offset_y) * scale
    slack = 3  # rendered pixels either side of a frame line
    bad = []
    for k in range(min(count, per_page)):
        row, column = divmod(k, columns)
        x, y = column * column_pitch, row * row_pitch
        mid_x, mid_y = px(x + box / 2), py(y + box / 2)
        # Each frame line is sampled where nothing else is dark: the sides beside the white room
        # above the picture, the bottom from above (the name starts just under it).
        room_y = py(y + box / 16)
        edges = {
            "top": page.darkest(mid_x, py(y) - slack, mid_x, py(y) + slack),
            "bottom": page.darkest(mid_x, py(y + box) - slack, mid_x, py(y + box) + 1),
            "left": page.darkest(px(x) - slack, room_y, px(x) + slack, room_y),
            "right": page.darkest(px(x + box) - slack, room_y, px(x + box) + slack, room_y),
        }
        for edge, value in edges.items():
            if value > 100:
                bad.append("box %d: no frame on its %s edge (%d)" % (k + 1, edge, value))
        # The 200 x 150 picture fills the box's width and 3/4 of its height, centred.
        room = page.mean(mid_x, room_y)
        if room < 235:
            bad.append("box %d: the room above the picture is not white (%d)" % (k + 1, room))
        want = thumb_gray if k + 1 == missing else source_gray
        picture = page.mean(mid_x, mid_y)
        if abs(picture - want) > 35:
            bad.append("box %d: the picture is %d gray, not about %d" % (k + 1, picture, want))
        name = page.darkest(px(x) + 2, py(y + box) + slack + 1, px(x + box * 3 / 4), py(y + box + 44))
        if name > 128:
            bad.append("box %d: no name under the box" % (k + 1))
    for line in bad:
        print("        " + line)
    check(not bad, "page 1: %d framed boxes at the computed places, pictures from the source files "
                   "(the thumbnail where the source is missing) and names" % min(count, per_page))

    blank = Gray(pdfs["none"], os.path.join(out, "none-page1"))
    check(min(blank.pixels) >= 245, "the page of the job with nothing selected is blank")

    subprocess.run(["pdftoppm", "-png", "-r", "60", "-f", "1", "-l", "1", "-singlefile", pdfs["all"],
                    os.path.join(out, "contact-sheet-page1")], check=True)
    print("first page: " + os.path.join(out, "contact-sheet-page1.png"))
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
