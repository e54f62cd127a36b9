"""The heartbeat at its interval (raised to 10 s) while WinCC runs, whether Halvex is there or not."""
from conftest import general
from ostrilo_e2e import OUTCOMES, Peer, lines_of

HEARTBEAT = "[HalvexMessageHeartbeat]\r\nIntervalSeconds=3\r\nEventType=1\r\nT0=alive\r\n"


def beat_times(run, outcome):
    """Seconds of the day at which the log shows a heartbeat's outcome."""
    stamps = [line.split("\t")[0] for line in lines_of(run.log_path()) if line.endswith(outcome + "1|||alive||||")]
    return [int(s[0:2]) * 3600 + int(s[3:5]) * 60 + float(s[6:]) for s in stamps]


def test_heartbeats_follow_wincc_at_the_interval_raised_to_ten_seconds_and_fail_while_halvex_is_away(run, port):
    """The first beat comes while Halvex is away: with the hold on, it fails rather than waiting."""
    run.ini(general("ConnectionType=1", "PortNumber=%d" % port, "HoldUndeliveredMinutes=60", sections=HEARTBEAT))
    run.control("Ostrilo", "project=P\n")
    for library in ("Halvex2", "Halvex3"):
        run.control(library, "running=0\n")
    run.start()
    run.wait_log("The heartbeat IntervalSeconds 3 is below 10, raised to 10")
    first = run.wait(lambda: beat_times(run, OUTCOMES["send_failed"]), "a first heartbeat", timeout=25)[0]
    assert Peer(port).read_line(15) == "1|||alive||||||24", "the next beat reaches the peer"
    second = run.wait(lambda: [t for t in beat_times(run, OUTCOMES["sent"]) if t > first],
                      "a second heartbeat", timeout=15)[0]
    assert abs(second - first - 10) < 0.5, "ten seconds apart, give or take a few ticks of a shared machine"
