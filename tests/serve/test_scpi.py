"""voltcheck-cli serve's SCPI server with a real client (PyVISA over a raw socket) and
with raw sockets for garbage, over-long lines, a client that never reads and one
client too many."""
import contextlib
import json
import math
import os
import socket
import tempfile
import time
import unittest

import pyvisa

import serve_harness as h


def values(answer):
    return [float(v) for v in answer.split(",")]


class ScpiWithPyvisa(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.dir = tempfile.TemporaryDirectory()
        cls.zebsim = h.Zebsim(cls.dir.name)
        cls.serve = h.Serve(cls.zebsim, ["--module", "A:1", "--module", "A:2", "--rate", "15625"], http=False)
        cls.rm = pyvisa.ResourceManager("@py")

    @classmethod
    def tearDownClass(cls):
        status, stderr = h.finish(cls.serve, cls.zebsim)
        cls.rm.close()
        cls.dir.cleanup()
        assert status == 0, "serve ended with %r: %s" % (status, stderr)

    def open(self):
        inst = self.rm.open_resource("TCPIP::127.0.0.1::%d::SOCKET" % self.serve.scpi_port,
                                     read_termination="\n", write_termination="\n", timeout=30000)
        self.addCleanup(inst.close)
        inst.write("*CLS")
        return inst

    def test_identity_and_version(self):
        inst = self.open()
        self.assertEqual(inst.query("*IDN?"), "Voltcheck,ZEB44,440001,%s" % h.VERSION)
        self.assertEqual(inst.query("SYST:VERS?"), "1999.0")
        self.assertEqual(inst.query("*OPC?"), "1")
        self.assertEqual(inst.query("*ESR?"), "0")
        self.assertEqual(inst.query("*STB?"), "0")

    def test_dc_levels_of_two_channels(self):
        inst = self.open()
        for query in ("MEAS:VOLT:DC? (@1,2)", "measure:voltage:dc? (@1,2)", "MEASure:VOLTage:DC? (@1:2)"):
            v = values(inst.query(query))
            self.assertEqual(len(v), 2, query)
            self.assertAlmostEqual(v[0], 1.25, delta=2e-3)
            self.assertAlmostEqual(v[1], -0.7, delta=2e-3)
        # NR3 with nine significant digits.
        answer = inst.query("MEAS:VOLT:DC? (@1)")
        self.assertRegex(answer, r"^[-+]?\d\.\d{8}E[-+]\d{2}$")

    def test_ac_and_frequency_of_a_sine(self):
        inst = self.open()
        rms = values(inst.query("MEAS:VOLT:AC? (@3)"))[0]
        self.assertAlmostEqual(rms, 0.5 / math.sqrt(2), delta=2e-3)
        hertz = values(inst.query("MEAS:FREQ? (@3)"))[0]
        self.assertAlmostEqual(hertz, 1000.0, delta=0.5)
        self.assertEqual(inst.query("SYST:ERR?"), '0,"No error"')

    def test_overload(self):
        inst = self.open()
        self.assertEqual(inst.query("MEAS:VOLT:DC? (@4)"), "9.9E37")
        answer = inst.query("MEAS:VOLT:DC? (@1,4)").split(",")
        self.assertEqual(answer[1], "9.9E37")

    def test_read_initiate_fetch(self):
        inst = self.open()
        inst.write("CONF:VOLT:DC 3,(@1)")
        self.assertEqual(inst.query("VOLT:DC:RANG? (@1)"), "3.00000000E+00")
        self.assertAlmostEqual(values(inst.query("READ?"))[0], 1.25, delta=2e-3)
        inst.write("INIT")
        self.assertAlmostEqual(values(inst.query("FETC?"))[0], 1.25, delta=2e-3)
        inst.write("SAMP:RATE 7812.5")
        self.assertEqual(inst.query("SAMP:RATE?"), "7.81250000E+03")
        self.assertAlmostEqual(values(inst.query("READ?"))[0], 1.25, delta=2e-3)
        inst.write("*RST")
        self.assertEqual(inst.query("SAMP:RATE?"), "1.56250000E+04")
        self.assertEqual(inst.query("SYST:ERR?"), '0,"No error"')

    def test_error_queue(self):
        inst = self.open()
        inst.write("FOO:BAR")
        inst.write("MEAS:VOLT:DC? 100,(@1)")
        inst.write("SAMP:RATE 12345")
        inst.write("CONF:VOLT:DC (@9)")
        self.assertEqual(inst.query("SYST:ERR:COUN?"), "4")
        self.assertEqual(int(inst.query("*STB?")) & 4, 4)
        self.assertEqual(inst.query("SYST:ERR?"), '-113,"Undefined header"')
        self.assertEqual(inst.query("SYSTem:ERRor:NEXT?"), '-222,"Data out of range"')
        self.assertEqual(inst.query("syst:err?"), '-222,"Data out of range"')
        self.assertEqual(inst.query("SYST:ERR?"), '-222,"Data out of range"')
        self.assertEqual(inst.query("SYST:ERR?"), '0,"No error"')
        self.assertEqual(inst.query("*ESR?"), "48")

    def test_several_commands_on_a_line(self):
        inst = self.open()
        answer = inst.query("*IDN?;MEAS:VOLT:DC? (@1);*OPC?").split(";")
        self.assertEqual(answer[0], "Voltcheck,ZEB44,440001,%s" % h.VERSION)
        self.assertAlmostEqual(float(answer[1]), 1.25, delta=2e-3)
        self.assertEqual(answer[2], "1")

    def test_select_between_two_modules(self):
        inst = self.open()
        self.assertEqual(inst.query("INST:CAT?"), '"A:1","A:2"')
        inst.write('INST:SEL "A:2"')
        self.assertEqual(inst.query("INST:SEL?"), '"A:2"')
        self.assertEqual(inst.query("*IDN?"), "Voltcheck,ZEB44,440002,%s" % h.VERSION)
        v = values(inst.query("MEAS:VOLT:DC? (@1,2)"))
        self.assertAlmostEqual(v[0], 0.5, delta=2e-3)
        self.assertAlmostEqual(v[1], 2.5, delta=2e-3)
        inst.write('INSTrument:SELect "A:1"')
        self.assertAlmostEqual(values(inst.query("MEAS:VOLT:DC? (@1)"))[0], 1.25, delta=2e-3)
        inst.write('INST:SEL "A:3"')
        self.assertEqual(inst.query("SYST:ERR?"), '-224,"Illegal parameter value"')


def connect(port):
    s = socket.create_connection(("127.0.0.1", port), timeout=30)
    return s


def read_line(s):
    data = b""
    while not data.endswith(b"\n"):
        chunk = s.recv(1)
        if not chunk:
            raise AssertionError("connection closed after %r" % data)
        data += chunk
    return data.decode()


class ScpiOnRawSockets(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.dir = tempfile.TemporaryDirectory()
        cls.zebsim = h.Zebsim(cls.dir.name)
        cls.serve = h.Serve(cls.zebsim, ["--module", "A:1", "--rate", "15625"])

    @classmethod
    def tearDownClass(cls):
        status, stderr = h.finish(cls.serve, cls.zebsim)
        cls.dir.cleanup()
        assert status == 0, "serve ended with %r: %s" % (status, stderr)

    def frames(self):
        _, _, text = h.http_get(self.serve.http_port, "/api/v1/readings")
        return json.loads(text)["modules"][0]["frame"] or 0

    def test_garbage_and_an_over_long_line(self):
        s = connect(self.serve.scpi_port)
        self.addCleanup(s.close)
        s.sendall(b"\x00\xff\xfe garbage \x01\n")
        s.sendall(b"MEAS:VOLT:DC? " + b"9" * 20000 + b"\n")
        s.sendall(b"SYST:ERR?\n")
        self.assertEqual(read_line(s), '-101,"Invalid character"\n')
        s.sendall(b"SYST:ERR?\n")
        self.assertEqual(read_line(s), '-223,"Too much data"\n')
        s.sendall(b"*IDN?\n")
        self.assertTrue(read_line(s).startswith("Voltcheck,ZEB44,440001,"))

    def test_a_client_that_never_reads_holds_no_one(self):
        silent = connect(self.serve.scpi_port)
        self.addCleanup(silent.close)
        silent.setblocking(False)
        # Queries whose answers it never takes, until its socket's buffers are full.
        sent = 0
        line = b"*IDN?;*IDN?;*IDN?;*IDN?\n" * 64
        for _ in range(4000):
            try:
                sent += silent.send(line)
            except BlockingIOError:
                break
        self.assertGreater(sent, 0)
        before = self.frames()
        other = connect(self.serve.scpi_port)
        self.addCleanup(other.close)
        other.sendall(b"MEAS:VOLT:DC? (@1)\n")
        self.assertAlmostEqual(float(read_line(other)), 1.25, delta=2e-3)
        h.wait_until("frames go on", lambda: self.frames() > before + 2)

    def test_a_flooding_client_is_answered_in_order_and_holds_no_one(self):
        flood = connect(self.serve.scpi_port)
        self.addCleanup(flood.close)
        count = 3000
        flood.sendall(b"".join(b"*OPC?;SYST:ERR:COUN?\n" for _ in range(count)))
        other = connect(self.serve.scpi_port)
        self.addCleanup(other.close)
        other.sendall(b"MEAS:VOLT:DC? (@1)\n")
        self.assertAlmostEqual(float(read_line(other)), 1.25, delta=2e-3)
        reader = flood.makefile("rb")
        answers = [reader.readline() for _ in range(count)]
        self.assertEqual(answers, [b"1;0\n"] * count)

class ScpiClientLimit(unittest.TestCase):
    """On a server of its own: the places of other tests' clients are freed only once
    the server has seen their ends."""

    @classmethod
    def setUpClass(cls):
        cls.dir = tempfile.TemporaryDirectory()
        cls.zebsim = h.Zebsim(cls.dir.name)
        cls.serve = h.Serve(cls.zebsim, ["--module", "A:1", "--rate", "15625"], http=False)

    @classmethod
    def tearDownClass(cls):
        status, stderr = h.finish(cls.serve, cls.zebsim)
        cls.dir.cleanup()
        assert status == 0, "serve ended with %r: %s" % (status, stderr)

    def test_a_client_too_many_is_answered_and_closed(self):
        # Eight places, once the server has seen the ends of earlier tests' clients.
        def eight():
            clients = []
            for _ in range(8):
                s = connect(self.serve.scpi_port)
                clients.append(s)
                s.sendall(b"*OPC?\n")
                if read_line(s) != "1\n":
                    for c in clients:
                        c.close()
                    return None
            return clients
        clients = h.wait_until("eight places", eight)
        for s in clients:
            self.addCleanup(s.close)
        extra = connect(self.serve.scpi_port)
        self.addCleanup(extra.close)
        self.assertEqual(read_line(extra), '-310,"System error;too many clients"\n')
        self.assertEqual(extra.recv(100), b"")
        clients.pop().close()
        # The freed place is taken again once the server has seen the close.
        def answers():
            s = connect(self.serve.scpi_port)
            try:
                s.sendall(b"*OPC?\n")
                return read_line(s) == "1\n"
            except AssertionError:
                return False
            finally:
                s.close()
        h.wait_until("a freed place", answers)


@contextlib.contextmanager
def instrument_of(test, args):
    """A PyVISA instrument on a serve of its own with args; serve's clean end checked."""
    with tempfile.TemporaryDirectory() as d:
        zebsim = h.Zebsim(d)
        serve = h.Serve(zebsim, args, http=False)
        rm = pyvisa.ResourceManager("@py")
        try:
            inst = rm.open_resource("TCPIP::127.0.0.1::%d::SOCKET" % serve.scpi_port,
                                    read_termination="\n", write_termination="\n", timeout=30000)
            try:
                yield inst
            finally:
                inst.close()
        finally:
            rm.close()
            status, stderr = h.finish(serve, zebsim)
        test.assertEqual(status, 0, stderr)


class ScpiCrateDataRate(unittest.TestCase):
    def test_parameters_beyond_the_crate_are_refused(self):
        with instrument_of(self, ["--module", "K:1", "--rate", "15625", "--channels", "1,2"]) as inst:
            # 78125 Hz: two channels are 625 KB/s, within the ZEB-K1's 800; four are 1250.
            inst.write("SAMP:RATE 78125")
            self.assertEqual(inst.query("SYST:ERR?"), '0,"No error"')
            inst.write("CONF:VOLT:DC (@1:4)")
            self.assertEqual(inst.query("SYST:ERR?"), '-221,"Settings conflict"')
            for value in values(inst.query("MEAS:VOLT:DC? (@1,2)")):
                self.assertAlmostEqual(value, 0.25, delta=2e-3)


class ScpiBenchFunctions(unittest.TestCase):
    """CALCulate on the known DC levels of module A:1 (1.25 V and -0.7 V)."""

    def test_limits_null_statistics_and_refusals(self):
        with instrument_of(self, ["--module", "A:1", "--rate", "15625", "--mode", "dc", "--channels", "1,2"]) as inst:
            # Limits: the verdict of the readings since they were set (a change clears it).
            cases = [
                ("(@1)", "1.2", "1.3", "0,0"),
                ("(@1)", "1.3", "1.4", "1,0"),
                ("(@1,2)", "-1", "1", "1,0"),
                ("(@2)", "-0.6", "0", "1,1"),
            ]
            for channels, low, high, fail in cases:
                inst.write("CALC:LIM:UPP MAX,%s;LOW %s,%s;UPP %s,%s;STAT ON,%s" % (channels, low, channels, high,
                                                                                 channels, channels))
                self.assertEqual(inst.query("SYST:ERR?"), '0,"No error"', (channels, low, high))
                values(inst.query("MEAS:VOLT:DC? (@1,2)"))
                self.assertEqual(inst.query("CALC:LIM:FAIL? (@1,2)"), fail, (channels, low, high))
            self.assertEqual(values(inst.query("CALC:LIM:LOW? (@1,2)")), [-1, -0.6])
            self.assertEqual(values(inst.query("CALC:LIM:UPP? (@1,2)")), [1, 0])
            inst.write("CALC:LIM:STAT OFF,(@1,2)")
            self.assertEqual(inst.query("CALC:LIM:STAT? (@1,2)"), "0,0")

            # Null: the next reading becomes the offset; readings (and statistics) are
            # of what is shown.
            inst.write("CALC:NULL ON,(@1,2)")
            for _ in range(3):
                for v in values(inst.query("MEAS:VOLT:DC? (@1,2)")):
                    self.assertAlmostEqual(v, 0.0, delta=2e-3)
            offsets = values(inst.query("CALC:NULL:OFFS? (@1,2)"))
            self.assertAlmostEqual(offsets[0], 1.25, delta=2e-3)
            self.assertAlmostEqual(offsets[1], -0.7, delta=2e-3)
            inst.write("CALC:AVER:CLE (@1,2)")
            inst.query("READ?")
            inst.query("READ?")
            self.assertGreaterEqual(values(inst.query("CALC:AVER:COUN? (@1)"))[0], 2)
            low, high, mean, deviation, span = (values(inst.query("CALC:AVER:%s? (@1)" % q))[0]
                                                for q in ("MIN", "MAX", "AVER", "SDEV", "PTP"))
            self.assertLessEqual(low, mean)
            self.assertLessEqual(mean, high)
            self.assertAlmostEqual(mean, 0.0, delta=2e-3)
            self.assertLess(deviation, 2e-3)
            self.assertGreaterEqual(span, 0)
            self.assertLess(span, 4e-3)
            inst.write("CALC:NULL:OFFS 1,(@1);:CALC:NULL OFF,(@2)")
            v = values(inst.query("MEAS:VOLT:DC? (@1,2)"))
            self.assertAlmostEqual(v[0], 0.25, delta=2e-3)
            self.assertAlmostEqual(v[1], -0.7, delta=2e-3)

            # Averaging: its window is set by COUNt and read by WINDow?.
            inst.write("CALC:AVER:COUN 16,(@1)")
            self.assertEqual(inst.query("CALC:AVER:WIND? (@1,2)"), "16,1")
            self.assertAlmostEqual(values(inst.query("MEAS:VOLT:DC? (@1)"))[0], 0.25, delta=2e-3)

            # Refusals into the error queue; the settings stay.
            inst.write("CALC:AVER:COUN 0,(@1)")
            self.assertEqual(inst.query("SYST:ERR?"), '-222,"Data out of range"')
            inst.write("CALC:AVER:COUN 1001")
            self.assertEqual(inst.query("SYST:ERR?"), '-222,"Data out of range"')
            inst.write("CALC:LIM:LOW 2,(@1)")  # above its upper limit of 1 V
            self.assertEqual(inst.query("SYST:ERR?"), '-221,"Settings conflict"')
            self.assertEqual(inst.query("CALC:AVER:WIND? (@1)"), "16")
            self.assertEqual(values(inst.query("CALC:LIM:LOW? (@1)")), [-1])


class ScpiReadOnly(unittest.TestCase):
    def test_changes_are_refused(self):
        with instrument_of(self, ["--module", "A:1", "--rate", "15625", "--scpi-read-only"]) as inst:
            self.assertAlmostEqual(values(inst.query("MEAS:VOLT:DC? (@1)"))[0], 1.25, delta=2e-3)
            inst.write("SAMP:RATE 7812.5")
            self.assertEqual(inst.query("SYST:ERR?"), '-221,"Settings conflict"')
            inst.write("CONF:VOLT:AC (@1)")
            self.assertEqual(inst.query("SYST:ERR?"), '-221,"Settings conflict"')
            self.assertEqual(inst.query("SAMP:RATE?"), "1.56250000E+04")
            for change in ("CALC:LIM:UPP 1,(@1)", "CALC:NULL ON,(@1)", "CALC:AVER:COUN 4", "CALC:AVER:CLE"):
                inst.write(change)
                self.assertEqual(inst.query("SYST:ERR?"), '-221,"Settings conflict"', change)
            self.assertEqual(inst.query("CALC:NULL? (@1);:CALC:AVER:WIND? (@1)"), "0;1")


if __name__ == "__main__":
    unittest.main()
