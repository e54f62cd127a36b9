"""A paused peer that reads again gets a 1 MiB backlog once, in order, while tick and window keep going."""
import socket
import threading

import ostrilo_e2e as e2e
from conftest import general

# Margins for a loaded machine: the tick is due every 100 ms, a round works for 30 ms.
LONGEST_TICK_GAP_MS = 300
LONGEST_ANSWER_MS = 100


def tick_gaps(run):
    """Milliseconds between successive ticks, seen as the bridge's message fetches."""
    times = [float(line.split()[0]) for line in e2e.lines_of(run.dir / "Ostrilo.calltimes")
             if line.endswith(" GetWinCCMsgServiceMessage")]
    return [later - earlier for earlier, later in zip(times, times[1:])]


def test_paused_peer_reading_again_gets_every_line_in_order_while_ticks_and_window_keep_going(run, port):
    run.ini(general("ConnectionType=1", "PortNumber=%d" % port))
    run.control("Ostrilo", "project=Plant A\ncall_times=1\n")
    run.start()
    # Small buffers while paused, so the lines wait in the program rather than in the kernel.
    peer = e2e.Peer(port, receive_buffer=4096, segment=536)
    run.wait_log("We found out that Halvex is running")
    backlog = ["backlog %04d " % i + "x" * 190 for i in range(2000)]
    run.queue(backlog)
    run.wait(lambda: len(run.handed_over()) == len(backlog), "the backlog fetched", timeout=60)
    answers = []
    prober = threading.Thread(target=lambda: answers.extend(run.probe("answer-times", "8", timeout=60)))
    prober.start()
    peer.sock.setsockopt(socket.SOL_SOCKET, socket.SO_RCVBUF, 1 << 22)
    received = [peer.read_line() for _ in range(200)]
    fresh = ["fresh %d" % i for i in range(20)]
    run.queue(fresh)
    received += [peer.read_line(timeout=30) for _ in range(len(backlog) + len(fresh) - 200)]
    prober.join()
    assert received == [alarm + "||24" for alarm in backlog + fresh]
    counts = run.wait_account(backlog + fresh)
    assert counts["sent"] == sum(counts.values()) == len(backlog + fresh)
    assert max(tick_gaps(run)) < LONGEST_TICK_GAP_MS
    assert int(answers[0]) < LONGEST_ANSWER_MS, "the window answered WM_NULL too late"
    run.close()
