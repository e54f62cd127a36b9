"""Alarms from the bridge to Halvex: the tick following WinCC, by the libraries and over TCP, all accounted."""
import threading

from conftest import general, notification
from ostrilo_e2e import OUTCOMES, Peer, lines_of

# Margins for a loaded machine: the tick is due every 100 ms, a round works for 30 ms.
LONGEST_TICK_GAP_MS = 300
LONGEST_ANSWER_MS = 100

LIBRARY = general("ConnectionType=0")
WINCC_NOTIFICATIONS = (notification("WinCCIsStarted", 1, T0="WinCC up", T2="x|y") +
                       notification("WinCCIsStopped", 2, T0="WinCC down"))


def tick_gaps(run):
    """Milliseconds between successive ticks, seen as the bridge's message fetches."""
    times = [float(line.split()[0]) for line in lines_of(run.dir / "Ostrilo.calltimes")
             if line.endswith(" GetWinCCMsgServiceMessage")]
    return [later - earlier for earlier, later in zip(times, times[1:])]


def checks(run):
    return [line for line in run.journal("Ostrilo") if line.startswith("GetWinCCRuntimeProject")]


def test_stopped_wincc_is_asked_for_its_error_and_its_first_word_acts_at_every_check(run):
    run.ini(LIBRARY)
    run.control("Ostrilo", "error_words=7,4,7,7,7\nmessages_need_service=0\n")
    run.queue(["waits for WinCC"])
    run.start()
    run.wait(lambda: len(checks(run)) >= 3, "three WinCC checks")
    bridge = run.journal("Ostrilo")
    positions = [i for i, line in enumerate(bridge) if line.startswith("GetWinCCRuntimeProject")]
    for at in positions[:2]:
        assert bridge[at + 1:at + 3] == ['GetWinCCCmnError 8192 -> 0 7,4,7,7,7 ""', "ConnectWinCCDMProc -> 1"]
    assert bridge.count("ConnectWinCCDMProc -> 1") >= 3, "start-up connects; word 7 reconnects at every check"
    assert not [line for line in bridge if line.startswith(("GetWinCCMsgServiceMessage", "StartWinCC"))]
    assert "We found out that WinCC is stopped" in run.log()


def test_first_check_is_quiet_then_wincc_stopping_and_starting_is_announced_and_drives_the_service(run):
    run.ini(LIBRARY + WINCC_NOTIFICATIONS)
    run.control("Ostrilo", "project=Plant A\n")
    for library in ("Halvex2", "Halvex3"):
        run.control(library, "running=0\n")
    run.start()
    run.wait(lambda: len(checks(run)) >= 2, "two WinCC checks")
    bridge = run.journal("Ostrilo")
    first, second = [i for i, line in enumerate(bridge) if line.startswith("GetWinCCRuntimeProject")][:2]
    assert bridge[first] == 'GetWinCCRuntimeProject 8192 -> 7 "Plant A"'
    assert "StartWinCCMsgService -> 1" not in bridge[:first]
    assert bridge[first + 1] == bridge[second - 1] == "StartWinCCMsgService -> 1", \
        "started at the first check, and again at the start of every later check while running"
    assert "GetWinCCMsgServiceMessage 8192 0 -> 0" in bridge[first:second]
    log = run.log()
    assert "We found out that WinCC is running" in log and "We found out that Halvex is stopped" in log
    assert not [line for line in log if "recently" in line or "Failed to queued" in line], \
        "the first check reports without announcing"
    assert run.probe("panels")[:3] == ["Socket connection status", "RUN", "STOP"]
    for library in ("Halvex2", "Halvex3"):
        run.control(library, "running=1\n")
    run.wait_log("Halvex has recently been started")
    run.control("Ostrilo", "project=\nerror_words=4\n")
    run.wait_log("WinCC has recently been stopped")
    run.wait_journal("Halvex3", 'SetCommandEntry "TA:2|||WinCC down||||||24" 0 -> 0')
    count = len(checks(run))
    run.wait(lambda: len(checks(run)) > count + 2, "three more checks")
    bridge = run.journal("Ostrilo")
    after = max(i for i, line in enumerate(bridge) if line.startswith("GetWinCCMsgServiceMessage"))
    stopped = [i for i, line in enumerate(bridge) if line.startswith("GetWinCCRuntimeProject") and i > after]
    assert len(stopped) >= 3 and all(bridge[at + 1:at + 3] == ['GetWinCCCmnError 8192 -> 0 4,0,0,0,0 ""',
                                                               "StopWinCCMsgService -> 1"] for at in stopped[:-1]), \
        "asked for its error and stopped at every check"
    run.queue(["first alarm"])
    since = len(bridge)
    run.control("Ostrilo", "project=P\n")
    run.wait_log("WinCC has recently been started")
    run.wait_log(OUTCOMES["queued3"] + "first alarm")
    bridge = run.journal("Ostrilo")[since:]
    seen = bridge.index('GetWinCCRuntimeProject 8192 -> 1 "P"')
    started = bridge.index("StartWinCCMsgService -> 1")
    assert bridge[seen + 1] == "GetWinCCMsgServiceMessage 8192 0 -> 0", "alarms asked for in the same tick"
    assert bridge[started + 1] == 'GetWinCCRuntimeProject 8192 -> 1 "P"', "the service follows one check later"
    assert started < bridge.index('GetWinCCMsgServiceMessage 8192 0 -> 11 "first alarm"')
    for library in ("Halvex2", "Halvex3"):
        run.wait_journal(library, 'SetCommandEntry "TA:1|||WinCC up||x|y||||24" 0 -> 0')


def test_backlog_goes_twenty_per_tick_to_the_libraries_running_and_a_missing_one_is_loaded_once_it_appears(run):
    halvex2 = (run.dir / "Halvex2.dll").read_bytes()
    (run.dir / "Halvex2.dll").unlink()
    # Types beyond 2 send nothing: a start notification would break the account.
    run.ini(LIBRARY + notification("OstriloIsStarted", 3, T0="never"))
    run.control("Ostrilo", "project=P\n")
    alarms = ["alarm %d" % n for n in range(1, 26)]
    alarms[2:7] = ["A\r\nB", "trailing spaces  ", "\r\n", "\tleading tab|bar", "ANSI \xe9\xfc"]
    run.queue(alarms)
    run.start()
    run.wait_account(alarms, 20, lambda c: c["queued3"] == 25 and c["queued2"] == 0)
    # Each tick's presence check is a GetRunningApps with no command after it.
    halvex3 = run.journal("Halvex3")
    per_tick, queued = [], 0
    for line, following in zip(halvex3, halvex3[1:] + [""]):
        queued += line.startswith("SetCommandEntry")
        if line.startswith("GetRunningApps") and not following.startswith("SetCommandEntry") and queued:
            per_tick, queued = per_tick + [queued], 0
    assert per_tick + ([queued] if queued else []) == [20, 5]
    assert len(run.probe("list-lines")) <= 200

    def relay(alarm, **expected):
        alarms.append(alarm)
        run.queue([alarm])
        return run.wait_account(alarms, 20, lambda c: all(c[k] == v for k, v in expected.items()))

    run.control("Halvex3", "running=0\n")
    relay("nobody", not_queued=1)
    run.wait_log("Halvex has recently been stopped")
    run.write("Halvex2.dll", halvex2)
    run.control("Halvex3", "running=1\n")
    run.wait(lambda: run.journal("Halvex2"), "Halvex2.dll loaded after it appeared", 30)
    relay("both", queued2=1, queued3=26)
    assert all(line.startswith("GetRunningApps 1 -> ") for line in run.journal("Halvex2")
               if not line.startswith("SetCommandEntry"))


def start_socket(run, port, extra=""):
    run.ini(general("ConnectionType=1", "PortNumber=%d" % port, sections=extra))
    for library in ("Halvex2", "Halvex3"):
        run.control(library, "running=0\n")
    run.start()
    run.wait_log("We found out that Halvex is stopped")


def connect(run, port):
    """A peer the program has taken: the link makes Halvex count as running."""
    before = run.log().count("Halvex has recently been started")
    peer = Peer(port)
    run.wait(lambda: run.log().count("Halvex has recently been started") > before, "the program taking the peer")
    return peer


def test_newest_peer_gets_exact_lines_for_alarms_and_notifications_input_is_ignored_and_a_reconnect_resumes(run, port):
    run.control("Ostrilo", "")
    start_socket(run, port, notification("OstriloIsStarted", 0, T0="no peer yet") + notification(
        "WinCCIsStarted", 1, T0="WinCC up") + notification("WinCCIsStopped", 2, T4="WinCC down") + notification(
        "OstriloIsStopped", 1, T0="bye"))
    assert OUTCOMES["send_failed"] + "0|||no peer yet||||" in run.log()
    first = connect(run, port)
    assert run.probe("panels")[0] == "Connected"
    run.control("Ostrilo", "project=P\n")
    assert first.read_line() == "1|||WinCC up||||||24"
    second = Peer(port)
    assert first.wait_closed() and first.pending == "", "the older connection is closed for the newer one"
    second.sock.sendall(bytes(i * 7 % 256 for i in range(65536)) + b"\r\nTA:not a command||24\n")
    run.queue(["abc", "\r\n", "A\r\nB|bar  ", "ANSI \xe9"])
    assert [second.read_line() for _ in range(4)] == ["abc||24", "||24", "AB|bar  ||24", "ANSI \xe9||24"]
    second.close()
    run.wait_log("Halvex has recently been stopped")
    assert run.probe("panels")[0] == "Not Connected"
    run.queue(["while nobody listens"])
    run.wait_log(OUTCOMES["send_failed"] + "while nobody listens")
    third = connect(run, port)
    run.control("Ostrilo", "project=\n")
    assert third.read_line() == "2|||||||WinCC down||24", "nothing missed in between is resent"
    run.wait_log(OUTCOMES["sent"] + "2|||||||WinCC down")
    run.close()
    assert third.read_line() == "1|||bye||||||24", "the stop notification reaches a connected peer"
    assert third.wait_closed() and third.pending == ""


def test_reading_peer_takes_megabytes_while_tick_and_window_keep_going_but_a_stopped_one_is_dropped_at_the_bound(
        run, port):
    run.control("Ostrilo", "project=P\ncall_times=1\n")
    start_socket(run, port)
    peer = connect(run, port)
    read = [("Read %d " % number).ljust(8000, "r") for number in range(1, 601)]
    answers = []
    prober = threading.Thread(target=lambda: answers.extend(run.probe("answer-times", "8", timeout=60)))
    prober.start()
    run.queue(read)
    received = [peer.read_line() for _ in read]
    prober.join()
    assert received == [alarm + "||24" for alarm in read], "4.8 MB through a reading peer, the link kept"
    assert max(tick_gaps(run)) < LONGEST_TICK_GAP_MS and int(answers[0]) < LONGEST_ANSWER_MS, answers
    alarms = [("Alarm %d " % number).ljust(8000, "x") for number in range(1, 801)]
    run.queue(alarms)
    run.wait_log("Halvex has recently been stopped", 90)
    counts = run.wait_account(read + alarms, 90)
    sent = counts["sent"] - len(read)
    assert sent > 0 and counts["send_failed"] > 0
    log = run.log()
    dropped = [m for m in log[:log.index("Halvex has recently been stopped")] if m.startswith(OUTCOMES["send_failed"])]
    assert 0 < len(dropped) <= (1 << 20) // 8000 + 21, "at most 1 MiB held, plus one tick's alarms"
    received = []
    while (line := peer.read_line()) is not None:
        received.append(line)
    assert received == [alarm + "||24" for alarm in alarms[:sent]], "whole lines, in order"
    assert (alarms[sent] + "||24\n").startswith(peer.pending)
