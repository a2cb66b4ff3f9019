#!/usr/bin/env python3
"""Drives velmor.exe as a user would, on a display nobody watches, and shows what it did.
    demo_drive.py RIG_ENV WINE_HOME BIN_DIR RUN_DIR
RIG_ENV is a running mail rig's rig.env; WINE_HOME a Wine session of cmake/wine-session.sh (a
private display and a prefix with a virtual desktop); BIN_DIR holds velmor.exe, VMAIL.DLL,
window_probe.exe and type_text.exe; RUN_DIR is where velmor.exe runs, with its files and the
screenshots.

Every key press and click is real input, taking the path a user's does: xdotool moves the
pointer and clicks through the X server into Wine's desktop, and type_text.exe presses the keys
through SendInput, one character at a time, as a keyboard with a Japanese input method would (X
key events would need a key for every kanji, and xdotool's trick of lending a spare key for one
press races with Wine reading the keyboard map). window_probe.exe only tells where the controls
are on the screen and what they say.

The steps: click into the editor and type a two-line Japanese message, the counter following
it; click Send and catch the status line while the (slow) server takes the mail; wait for the
program to close; start it again, open the Log viewer with a click, close it and the program
with clicks. Each step leaves a screenshot in RUN_DIR. Then the mail the rig delivered and the
send log's new record are printed, decoded, and checked against what was typed. Exit status 0
only when everything happened as a user would see it; every wait is bounded.
make demo runs this on a display of its own, make test in the Windows tree's Wine session."""
import os
import subprocess
import sys
import tempfile
import time

sys.dont_write_bytecode = True  # no __pycache__ in the source tree for the module below
import demo_settings  # noqa: E402

# The message, typed line by line: its first line becomes the subject.
MESSAGE_LINES = ["明日の打ち合わせ", "十時に駅前で会いましょう。"]

MAIN_CLASS = "NORMAL0"
VIEWER_CLASS = "NORMALDLG"
WINDOW = 0
LOG_BUTTON, SEND_BUTTON, EXIT_BUTTON, EDITOR, STATUS_LINE = 1001, 1002, 1003, 1004, 1006
VIEWER_CLOSE = 1000
COUNTER_PREFIX = "文字数:"
SENDING_PREFIX = ">AUTH"  # ">AUTHメールを送信中", shown from the connection to the server's answer

KEY_DELAY_MS = 120  # between typed characters, as a quick typist
WINDOW_SECONDS = 60  # for a window to appear (the first start of a prefix is slow)
STEP_SECONDS = 20  # for the program to show the result of one input
PROGRAM_SECONDS = 180  # for velmor.exe to run at all
DELIVERY_SECONDS = 30  # for the rig to deliver the mail into the Maildir
SHOT_MARGIN = 16  # pixels of desktop around the windows in a screenshot

TOOLS = os.path.dirname(os.path.abspath(__file__))
WINE_RUN = os.path.join(TOOLS, "..", "cmake", "wine-run.sh")


class DemoFailed(Exception):
    pass


class Desktop:
    """The Wine session's display: the program, the probe, input and screenshots."""

    def __init__(self, wine_home, bin_dir, run_dir):
        with open(os.path.join(wine_home, "display")) as handle:
            display = handle.read().strip()
        self.env = dict(os.environ, DISPLAY=display, VELMOR_WINE_HOME=wine_home,
                        VELMOR_WINE_TIMEOUT=str(PROGRAM_SECONDS))
        self.bin_dir = bin_dir
        self.run_dir = run_dir
        self.origin = None
        self.size = None

    def run_helper(self, name, arguments, seconds):
        """Runs one of the helpers in BIN_DIR under Wine: its exit status and its output. The
        output goes through files, not pipes: Wine services the helper happens to start keep
        its standard handles open long after it has ended."""
        command = [WINE_RUN, os.path.join(self.bin_dir, name)] + [str(a) for a in arguments]
        with tempfile.TemporaryFile() as out, tempfile.TemporaryFile() as err:
            try:
                status = subprocess.run(command, env=self.env, stdin=subprocess.DEVNULL,
                                        stdout=out, stderr=err, timeout=seconds).returncode
            except subprocess.TimeoutExpired:
                raise DemoFailed(f"{name} did not end within {seconds} s") from None
            out.seek(0)
            err.seek(0)
            return status, out.read(), err.read().decode(errors="replace")

    def probe(self, *arguments, seconds):
        """Runs window_probe.exe: whether what it waited for came, and the lines it printed as
        {id: ((left, top, right, bottom), text)}."""
        status, output, said = self.run_helper(
            "window_probe.exe", [arguments[0], arguments[1], seconds, *arguments[2:]],
            seconds + 60)
        if status == 2:
            raise DemoFailed(f"window_probe: {said.strip()}")
        lines = {}
        for line in output.splitlines():
            fields = line.split(b" ", 5)
            box = tuple(int(f) for f in fields[1:5])
            lines[int(fields[0])] = (box, fields[5].decode("cp932") if len(fields) > 5 else "")
        return status == 0, lines

    def controls(self, window_class, *ids, seconds=WINDOW_SECONDS):
        came, found = self.probe("show", window_class, *ids, seconds=seconds)
        if not came:
            raise DemoFailed(f"no window of class {window_class} within {seconds} s")
        return found

    def wait_text(self, window_class, control, prefix, seconds=STEP_SECONDS):
        came, found = self.probe("until", window_class, control, prefix, seconds=seconds)
        shown = found[control][1] if control in found else None
        if not came:
            raise DemoFailed(f"control {control} showed {shown!r}, not {prefix!r}, "
                             f"after {seconds} s")
        return shown

    def xdotool(self, *arguments):
        subprocess.run(["xdotool", *arguments], env=self.env, check=True, timeout=120,
                       stdout=subprocess.DEVNULL)

    def find_desktop(self):
        """Where the windows' screen coordinates start on the X screen, and how far they go:
        Wine's virtual desktop window, or without one the X screen itself."""
        found = subprocess.run(["xdotool", "search", "--name", " - Wine desktop$"], env=self.env,
                               capture_output=True, text=True, timeout=30).stdout.split()
        if not found:
            size = subprocess.run(["xdotool", "getdisplaygeometry"], env=self.env,
                                  capture_output=True, text=True, timeout=30).stdout.split()
            self.origin, self.size = (0, 0), (int(size[0]), int(size[1]))
            return
        geometry = subprocess.run(["xdotool", "getwindowgeometry", "--shell", found[0]],
                                  env=self.env, capture_output=True, text=True, timeout=30).stdout
        values = dict(line.split("=", 1) for line in geometry.split() if "=" in line)
        self.origin = (int(values["X"]), int(values["Y"]))
        self.size = (int(values["WIDTH"]), int(values["HEIGHT"]))

    def click(self, box):
        x = self.origin[0] + (box[0] + box[2]) // 2
        y = self.origin[1] + (box[1] + box[3]) // 2
        self.xdotool("mousemove", "--sync", str(x), str(y), "click", "1")

    def type(self, text):
        """Types the text, a line feed as Return, into the control that has the focus."""
        status, _, said = self.run_helper("type_text.exe", [KEY_DELAY_MS, text],
                                          60 + len(text) * KEY_DELAY_MS // 1000)
        if status != 0:
            raise DemoFailed(f"type_text ended with status {status}: {said.strip()}")

    def screenshot(self, name, boxes, caption):
        """Saves the part of the desktop around the given window rectangles as RUN_DIR/name."""
        left = max(min(b[0] for b in boxes) - SHOT_MARGIN, 0)
        top = max(min(b[1] for b in boxes) - SHOT_MARGIN, 0)
        right = min(max(b[2] for b in boxes) + SHOT_MARGIN, self.size[0])
        bottom = min(max(b[3] for b in boxes) + SHOT_MARGIN, self.size[1])
        path = os.path.join(self.run_dir, name)
        crop = f"{right - left}x{bottom - top}+{self.origin[0] + left}+{self.origin[1] + top}"
        subprocess.run(["import", "-window", "root", "-crop", crop, "+repage", path],
                       env=self.env, check=True, timeout=60)
        print(f"demo: screenshot {path}: {caption}", flush=True)

    def start_program(self):
        """Starts velmor.exe in RUN_DIR; its Wine messages go to a temporary file."""
        self.output = tempfile.TemporaryFile()
        self.program = subprocess.Popen([WINE_RUN, os.path.join(self.bin_dir, "velmor.exe")],
                                        cwd=self.run_dir, env=self.env, stdin=subprocess.DEVNULL,
                                        stdout=self.output, stderr=subprocess.STDOUT)

    def wait_program_end(self, what):
        try:
            status = self.program.wait(timeout=PROGRAM_SECONDS)
        except subprocess.TimeoutExpired:
            self.program.kill()
            self.program.wait(timeout=30)
            raise DemoFailed(f"velmor.exe did not end {what} within {PROGRAM_SECONDS} s")
        if status != 0:
            self.output.seek(0)
            tail = self.output.read().decode(errors="replace")[-600:]
            raise DemoFailed(f"velmor.exe ended with status {status} {what}: {tail}")

    def end_program(self):
        if getattr(self, "program", None) and self.program.poll() is None:
            self.program.kill()
            self.program.wait(timeout=30)


def counter(count_bytes):
    return f"{COUNTER_PREFIX}{count_bytes}/{demo_settings.CHAR_LIMIT}"


def cp932_length(text):
    return len(text.encode("cp932"))


def type_and_send(desktop):
    """The first run: the message typed, the counter following it, Send clicked."""
    desktop.start_program()
    main = desktop.controls(MAIN_CLASS, WINDOW, EDITOR, SEND_BUTTON, STATUS_LINE)
    desktop.find_desktop()
    window = main[WINDOW][0]
    desktop.click(main[EDITOR][0])

    first, second = MESSAGE_LINES
    desktop.type(first)
    shown = desktop.wait_text(MAIN_CLASS, STATUS_LINE, counter(cp932_length(first)))
    desktop.screenshot("demo-1-typing.png", [window], f"the first line typed, {shown}")

    desktop.type("\n" + second)
    shown = desktop.wait_text(MAIN_CLASS, STATUS_LINE,
                              counter(cp932_length(first + "\r\n" + second)))
    desktop.screenshot("demo-2-typed.png", [window], f"the whole message typed, {shown}")

    desktop.click(main[SEND_BUTTON][0])
    shown = desktop.wait_text(MAIN_CLASS, STATUS_LINE, SENDING_PREFIX)
    desktop.screenshot("demo-3-sending.png", [window], f"Send clicked, the status line {shown}")
    desktop.wait_program_end("after the send")


def open_log_viewer(desktop):
    """The second run: the Log viewer opened with a click, then closed, then the program."""
    desktop.start_program()
    main = desktop.controls(MAIN_CLASS, WINDOW, LOG_BUTTON, EXIT_BUTTON)
    desktop.click(main[LOG_BUTTON][0])
    viewer = desktop.controls(VIEWER_CLASS, WINDOW, VIEWER_CLOSE, seconds=STEP_SECONDS)
    desktop.screenshot("demo-4-log-viewer.png", [main[WINDOW][0], viewer[WINDOW][0]],
                       "the Log viewer opened with the Log button")
    desktop.click(viewer[VIEWER_CLOSE][0])
    # A click that comes while the viewer is still closing finds the Main window disabled and
    # is lost, as the program means it to be; it is repeated until the program ends.
    deadline = time.monotonic() + STEP_SECONDS
    while desktop.program.poll() is None and time.monotonic() < deadline:
        desktop.click(main[EXIT_BUTTON][0])
        try:
            desktop.program.wait(timeout=2)
        except subprocess.TimeoutExpired:
            pass
    desktop.wait_program_end("after its Exit button")


def new_mail(env, before):
    """The mail delivered since the names in before were listed, waited for a bounded time."""
    deadline = time.monotonic() + DELIVERY_SECONDS
    while True:
        names = [n for n in demo_settings.delivered_names(env) if n not in before]
        if names or time.monotonic() >= deadline:
            return [demo_settings.read_mail(env, name) for name in names]
        time.sleep(0.2)


def check_mail(messages, env):
    if len(messages) != 1:
        raise DemoFailed(f"{len(messages)} mails were delivered, expected 1")
    message = messages[0]
    first, second = MESSAGE_LINES
    found = (message["Subject"], message.get_content(), message["To"], message["From"])
    wanted = (first, second, env["RIG_RECIPIENT"], env["RIG_ADDRESS"])
    if found != wanted:
        raise DemoFailed(f"the mail delivered is {found!r}, expected {wanted!r}")


def new_log_record(path, offset):
    with open(path, "rb") as handle:
        handle.seek(offset)
        return handle.read().decode("cp932")


def check_log_record(record, env):
    lines = record.split("\r\n")
    for wanted in ["#", f"To:{env['RIG_RECIPIENT']}", "Subject:"] + MESSAGE_LINES:
        if wanted not in lines:
            raise DemoFailed(f"the send log's new record lacks the line {wanted!r}: {record!r}")


def main():
    if len(sys.argv) != 5:
        print(__doc__.splitlines()[1].strip(), file=sys.stderr)
        return 2
    rig_env, wine_home, bin_dir, run_dir = (os.path.abspath(a) for a in sys.argv[1:])
    env = demo_settings.read_env(rig_env)
    demo_settings.write_settings(env, run_dir)
    log_path = os.path.join(run_dir, "send-log.dat")
    log_offset = os.path.getsize(log_path) if os.path.exists(log_path) else 0
    mail_before = set(demo_settings.delivered_names(env))

    desktop = Desktop(wine_home, bin_dir, run_dir)
    try:
        type_and_send(desktop)
        messages = new_mail(env, mail_before)
        record = new_log_record(log_path, log_offset) if os.path.exists(log_path) else ""
        print("demo: the mail the rig delivered, decoded:")
        for message in messages:
            demo_settings.print_mail(message)
        print("----")
        print("demo: the new record of send-log.dat, decoded from code page 932:")
        print(record.replace("\r\n", "\n"), end="")
        print("----", flush=True)
        check_mail(messages, env)
        check_log_record(record, env)
        open_log_viewer(desktop)
    except (DemoFailed, subprocess.SubprocessError, OSError) as failure:
        print(f"demo: FAILED: {failure}", file=sys.stderr)
        return 1
    finally:
        desktop.end_program()
    print("demo: passed: typed, counted, sent, delivered and logged as a user would see it")
    return 0


if __name__ == "__main__":
    sys.exit(main())
