#!/usr/bin/env python3
"""Runs one headless Chromium session to its normal end: the browser opens the address given,
and once the site's log (the file site.py appends each path it serves to) names the path given
and a few more seconds have passed, the browser is asked to close through its debugging pipe, as
a user closing the window would. A signal would end the session as "ended by the system" and
leave the profile's lock behind, which is not what a user's closed browser looks like.

usage: chromium-session.py SERVED-LOG LAST-PATH SECONDS-AFTER CHROMIUM-ARGUMENT...
Exits with the browser's status, or 1 when it never reached the path or had to be killed."""
import os
import subprocess
import sys
import time

served, last, after, command = sys.argv[1], sys.argv[2], float(sys.argv[3]), sys.argv[4:]

# The browser reads commands on its descriptor 3 and answers on 4.
to_browser, commands = os.pipe()
answers, from_browser = os.pipe()


def give_pipes():
    # Through copies, so that one end already at 3 or 4 is not overwritten by the other.
    read_end, write_end = os.dup(to_browser), os.dup(from_browser)
    os.dup2(read_end, 3)
    os.dup2(write_end, 4)


browser = subprocess.Popen(command + ["--remote-debugging-pipe"], preexec_fn=give_pipes,
                           pass_fds=(3, 4), stdout=subprocess.DEVNULL)
os.close(to_browser)
os.close(from_browser)


def reached():
    try:
        with open(served) as log:
            return any(line.rstrip("\n") == last for line in log)
    except FileNotFoundError:
        return False


deadline = time.monotonic() + 90
while not reached() and time.monotonic() < deadline and browser.poll() is None:
    time.sleep(0.1)
ok = reached()
if ok:
    time.sleep(after)
try:
    os.write(commands, b'{"id": 1, "method": "Browser.close"}\0')
except OSError:
    pass
try:
    status = browser.wait(30)
except subprocess.TimeoutExpired:
    browser.kill()
    browser.wait()
    status = 1
sys.exit(status if ok else 1)
