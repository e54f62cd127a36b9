"""Who may take the Halvex link (churn, refused peers), a peer that floods it, a port held by another program."""
import os
import socket
import threading
import time

import pytest

from conftest import general
from ostrilo_e2e import EVENT_TRACE, Peer

REFUSED = "Refused a Halvex connection from 127.0.0.2 (not in HalvexAddresses)"


def test_churn_and_refused_peers_leave_the_link_alone_and_a_flooding_peer_holds_up_no_alarm(run, port):
    run.ini(general("ConnectionType=1", "PortNumber=%d" % port, "ListenAddress=127.0.0.1",
                    "HalvexAddresses=127.0.0.1, plant-pc, 10.1.2.0/24"))
    run.control("Ostrilo", "project=Plant A\n")
    run.start()
    run.wait_log("We found out that WinCC is running")
    churn = ["Churn alarm %d" % n for n in range(100)]
    run.queue(churn)
    for _ in range(1000):
        Peer(port).close()
    run.wait(lambda: len(run.handed_over()) == 100, "the churn alarms relayed")
    run.wait(lambda: run.probe("panels")[0] == "Not Connected", "the last churn peer gone")
    halvex = Peer(port)
    intruders = [Peer(port, source="127.0.0.2") for _ in range(3)]
    assert all(intruder.wait_closed() for intruder in intruders)
    log = run.log()
    assert log[3:6] == ["We will listen for Halvex only at address 127.0.0.1 (ListenAddress)",
                        'HalvexAddresses entries that are not an IPv4 address or address/prefix are ignored: "plant-pc"',
                        "We will accept Halvex connections only from 127.0.0.1, 10.1.2.0/24 (HalvexAddresses)"]
    assert log.count(REFUSED) == 1, "one line a minute per address"
    with pytest.raises(OSError):
        socket.create_connection(("127.0.0.2", port), timeout=5)
    flooding = threading.Thread(target=lambda: [halvex.sock.sendall(os.urandom(1 << 20)) for _ in range(50)])
    flooding.start()
    delays = []
    while flooding.is_alive() or not delays:
        alarm = "During the flood %d" % len(delays)
        queued = time.monotonic()
        run.queue([alarm])
        assert halvex.read_line() == alarm + "||24", "the intruders left the link alone"
        delays.append(time.monotonic() - queued)
    flooding.join()
    assert len(delays) >= 3 and max(delays) < 1.0, delays
    log = run.log()
    assert all(sum(m.endswith(": " + alarm) for m in log) == 1 for alarm in churn), "each churn alarm logged once"
    run.close()


def test_a_port_held_at_start_is_listened_on_once_it_is_free(run, port):
    holder = socket.socket()
    holder.bind(("0.0.0.0", port))
    holder.listen()
    run.ini(general("ConnectionType=1", "PortNumber=%d" % port))
    run.control("Ostrilo", "project=Plant A\n")
    run.start(winedebug=EVENT_TRACE)
    run.wait_log("Could not set Halvex connection port %d in listen mode, error: Address already in use: another "
                 "program uses this port" % port)
    run.wait(lambda: [kind[:2] for kind in run.events()] == [(1, 210)], "one error: Halvex cannot connect")
    time.sleep(1)  # the program that held the port during the reboot ends
    holder.close()
    run.wait_log("We will listen for Halvex connection attempts at port %d" % port, timeout=30)
    halvex = Peer(port)
    run.queue(["After the port came free"])
    assert halvex.read_line() == "After the port came free||24"
    assert sum("Could not set Halvex connection port" in line for line in run.log()) == 1
    run.close()
