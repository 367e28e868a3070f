"""The other clipboard programs of the viewer-chain and load tests, run from
tarnwick-chain.exe: viewers that join the chain (and can be told to leave,
be killed, pass notifications on late, or lowercase every text), the copy
flood, and Tarnwick's process figures."""

import os
import select
import subprocess

from tarnwick_blackbox import WINE, run_wine

CHAIN = os.environ.get("TARNWICK_CHAIN", "")


class ChainViewer:
    """One viewer process; commands go to its stdin, answers come a line each."""

    def __init__(self, *modes):
        self.process = subprocess.Popen([WINE, CHAIN, "viewer", *modes], stdin=subprocess.PIPE,
                                        stdout=subprocess.PIPE, stderr=subprocess.DEVNULL)
        joined = self._line(30)
        if not joined.startswith("joined"):
            self.kill()
            raise AssertionError(f"viewer {modes} did not join: {joined!r}")

    def _line(self, timeout=15):
        ready, _, _ = select.select([self.process.stdout], [], [], timeout)
        if not ready:
            raise AssertionError("the viewer did not answer")
        return self.process.stdout.readline().decode().strip()

    def ask(self, command):
        self.process.stdin.write((command + "\n").encode())
        self.process.stdin.flush()
        return self._line()

    def count(self):
        """Change notifications received since joining."""
        return int(self.ask("count"))

    def writes(self):
        """Texts it wrote (the lowercasing viewer)."""
        return int(self.ask("writes"))

    def next_viewer(self):
        """The handle of the viewer it passes notifications to (0: none)."""
        return int(self.ask("next").split()[0])

    def rejoin(self):
        """Leaves and joins again, at the head of the chain."""
        assert self.ask("rejoin") == "joined"

    def leave(self):
        assert self.ask("leave") == "left"

    def kill(self):
        """Ends the process at once, without leaving the chain."""
        if self.process.poll() is None:
            self.process.kill()
        self.process.wait(timeout=10)

    def stop(self):
        if self.process.poll() is None:
            try:
                self.process.stdin.write(b"quit\n")
                self.process.stdin.close()
                self.process.wait(timeout=10)
            except (OSError, subprocess.TimeoutExpired):
                self.kill()
        self.process.stdout.close()


def flood(count, prefix, pause_ms):
    """Puts "prefix i" on the clipboard count times: (milliseconds, waits)."""
    result = run_wine(CHAIN, "flood", str(count), prefix, str(pause_ms), timeout=300)
    assert result.returncode == 0, result.stdout
    elapsed, waits, _ = result.stdout.decode().split()
    return int(elapsed), int(waits)


def resources():
    """Tarnwick's process figures as Windows programs can ask for them."""
    result = run_wine(CHAIN, "resources")
    assert result.returncode == 0, "Tarnwick's process was not found"
    return dict((key, int(value)) for key, value in
                (item.split("=") for item in result.stdout.decode().split()))


def linux_figures(pid):
    """Open descriptors and anonymous resident memory (kB) of a Wine process."""
    with open(f"/proc/{pid}/status") as status:
        fields = dict(line.split(":", 1) for line in status if ":" in line)
    return len(os.listdir(f"/proc/{pid}/fd")), int(fields["RssAnon"].split()[0])
