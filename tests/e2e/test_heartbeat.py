"""The heartbeat at its interval (raised to 10 s) in both delivery modes."""
import pytest

from conftest import general
from ostrilo_e2e import OUTCOMES, Peer, lines_of

HEARTBEAT = "[HalvexMessageHeartbeat]\r\nIntervalSeconds=3\r\nEventType=1\r\nT0=alive\r\n"


def beat_times(run, outcome):
    """Seconds of the day at which the log shows a heartbeat's outcome."""
    stamps = [line.split("\t")[0] for line in lines_of(run.log_path()) if line.endswith(outcome + "1|||alive||||")]
    return [int(s[0:2]) * 3600 + int(s[3:5]) * 60 + float(s[6:]) for s in stamps]


@pytest.mark.parametrize("mode", ["library", "socket"])
def test_heartbeats_arrive_at_the_interval_raised_to_ten_seconds(run, port, mode):
    run.ini(general("ConnectionType=%d" % (mode == "socket"), "PortNumber=%d" % port, sections=HEARTBEAT))
    run.control("Ostrilo", "project=P\n")
    run.start()
    run.wait_log("The heartbeat IntervalSeconds 3 is below 10, raised to 10")
    outcome = OUTCOMES["sent" if mode == "socket" else "queued3"]
    if mode == "socket":
        peer = Peer(port)
        assert [peer.read_line(25), peer.read_line(15)] == ["1|||alive||||||24"] * 2
    run.wait(lambda: len(beat_times(run, outcome)) >= 2, "two heartbeats", timeout=40)
    first, second = beat_times(run, outcome)[:2]
    assert abs(second - first - 10) < 0.5, "ten seconds apart, give or take a few ticks of a shared machine"

