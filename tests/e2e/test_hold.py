"""What comes while Halvex is away reaches it once and in order when it is back, also after a kill."""
import subprocess
import threading

from conftest import general
from ostrilo_e2e import EVENT_TRACE, WINESERVER, Peer


def alarms(first, count):
    return ["held alarm %d" % number for number in range(first, first + count)]


def start_with_halvex_away(run, port, connection_type, *keys, winedebug="-all"):
    run.ini(general("ConnectionType=%d" % connection_type, "PortNumber=%d" % port, "HoldUndeliveredMinutes=60", *keys))
    run.control("Ostrilo", "project=Plant\n")
    for library in ("Halvex2", "Halvex3"):
        run.control(library, "running=0\n")
    run.start(winedebug=winedebug)
    run.wait_log("We found out that Halvex is stopped")


def kill(run):
    """Ends the program with no shutdown, as TerminateProcess or a power cut would."""
    run.program.kill()
    run.program.wait()
    run.program = None
    # Wine's server keeps the killed program's listening socket until it ends itself.
    for argument in ("-k", "-p"):
        subprocess.run([WINESERVER, argument], env=run.env, check=argument == "-p", timeout=20)
    run.write("Ostrilo.messages", "")  # WinCC handed them over once; a new bridge must not again


def test_a_burst_while_the_libraries_are_away_reaches_them_once_in_order(run, port):
    start_with_halvex_away(run, port, 0)
    burst, later = alarms(1, 150), alarms(151, 30)
    run.queue(burst)
    run.wait_log("Held Message for Halvex (150 held): held alarm 150")
    run.control("Halvex3", "running=1\n")
    run.queue(later)
    assert run.wait_account(burst + later)["queued3"] == 180
    run.wait_log("The hold is empty again")
    run.close()


def test_the_event_log_hears_once_of_each_state_that_needs_a_person(run, port):
    run.write("Spool", "")  # a file where the folder belongs: the spool cannot be written
    start_with_halvex_away(run, port, 0, "HoldUndeliveredMessages=2", "HalvexUnreachableWarningSeconds=2",
                           winedebug=EVENT_TRACE)
    run.wait_log("We will warn in the event log when Halvex has been unreachable for more than 2 seconds")
    run.queue(alarms(1, 5))
    run.wait_log("Discarded held Message to Halvex (hold full): held alarm 3")
    run.wait(lambda: [kind for kind, _, _ in run.events()].count(1) == 3, "three errors")
    run.control("Halvex3", "running=1\n")
    run.wait_log("The hold is empty again")
    run.close()
    entries = [entry[:2] for entry in run.events()]
    assert sorted(entries) == [(1, 220), (1, 232), (1, 233), (2, 230), (4, 221), (4, 231)], entries
    assert entries.index((1, 220)) < entries.index((4, 221)) and entries.index((2, 230)) < entries.index((4, 231))


def test_a_halvex_that_stops_reading_gets_every_alarm_once_in_order_after_it_reconnects(run, port):
    start_with_halvex_away(run, port, 1)
    stalled = Peer(port, receive_buffer=4096, segment=536)
    run.wait_log("Halvex has recently been started")
    burst = ["%04d %s" % (number, "x" * 2000) for number in range(900)]
    run.queue(burst)
    run.wait_log("Held again ", timeout=60)
    assert stalled.wait_closed(), "dropped at the bound"
    got = []
    while (line := stalled.read_line(timeout=1)) is not None:
        got.append(line)
    halvex = Peer(port)
    got += [halvex.read_line(timeout=30) for _ in range(len(burst) - len(got))]
    assert got == [alarm + "||24" for alarm in burst]
    run.wait_log("The hold is empty again")
    run.close()


def test_messages_held_at_a_kill_go_out_after_the_restart_and_once_sent_while_the_spool_was_locked_never_again(
        run, port):
    start_with_halvex_away(run, port, 1)
    held = alarms(1, 6)
    run.queue(held)
    run.wait_log("Held Message for Halvex (6 held): held alarm 6")
    kill(run)
    spool = run.dir / "Spool" / "HeldMessages.dat"
    spool.write_bytes(spool.read_bytes() + b"M00000000")  # and a last write cut short
    run.start()
    run.wait_log("Read 6 held messages back from Spool\\HeldMessages.dat")
    run.wait_log("Dropped a damaged record at the end of")
    locker = threading.Thread(target=run.probe, args=("lock-file", run.win_dir + "Spool\\HeldMessages.dat", "3"))
    locker.start()
    run.wait(lambda: (run.dir / "Spool" / "HeldMessages.dat.held").exists(), "the lock")
    halvex = Peer(port)
    assert [halvex.read_line() for _ in range(6)] == [alarm + "||24" for alarm in held]
    run.wait_log("Cannot write Spool\\HeldMessages.dat")
    locker.join()
    run.wait_log("Spool\\HeldMessages.dat can be written again", timeout=30)
    assert run.account(held)
    kill(run)
    restarted = len(run.log())
    run.start()
    halvex = Peer(port)
    run.queue(["after the restart"])
    assert halvex.read_line() == "after the restart||24", "nothing before it, the damaged record included"
    assert not any("held messages back" in line for line in run.log()[restarted:])
    run.close()
