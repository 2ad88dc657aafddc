#!/usr/bin/env python3
"""Writes the fuzzers' hand-made seeds (fuzz/corpus/<target>/). The seeds are committed;
run this again only after changing a fuzzer's input format. The found-* files next to them
are inputs the fuzzers once failed on, kept so that every run tries them again."""
import pathlib
import struct

root = pathlib.Path(__file__).resolve().parent / "corpus"

# ---- gorlan_fuzz_state: a mode byte (odd: frame the rest as a blob), then the payload.
def blob(text: bytes) -> bytes:
    return b"VC2!" + struct.pack("<I", len(text) + 1) + text + b"\0"

fresh = (b'<?xml version="1.0" encoding="UTF-8"?> <settings volume="0.5000" cutoff="0.3333" reso="0.2000" '
         b'decay="0.3333" length="1.0000" pwidth="0.5000" waveform="0.0000" chord="0.0526" tuning="0.5000" '
         b'date_modified="2025-01-31T13:45:07Z" daw="Contents/MacOS/Host" plugin="Gorlan" pluginversion="284" '
         b'samplerate="48000" username="A User"/>')
hostile = (b'<SETTINGS volume="1.5" cutoff="-3" reso="abc" decay="nan" length="inf" pwidth="-inf" '
           b'waveform="1e999" chord="0x10" Tuning="0.1" tuning=" 0.25" extra="kept" empty=""/>')
nested = (b'<?xml version="1.0"?><!-- saved --><settings volume="0.9"><child a="1"><![CDATA[x]]></child>'
          b'&amp;</settings>')

state = {
    "fresh-framed": b"\x01" + fresh,
    "fresh-raw": b"\x00" + blob(fresh),
    "hostile-framed": b"\x01" + hostile,
    "nested-framed": b"\x01" + nested,
    "unterminated-framed": b"\x01" + fresh[:-2],
    "short-raw": b"\x00" + b"VC2!\x01\x00\x00\x00",
    "wrong-length-raw": b"\x00" + b"VC2!" + struct.pack("<I", 0x7fffffff) + fresh,
}

# ---- gorlan_fuzz_blocks: steps of an opcode byte and operands (see BlockFuzzer.cpp).
PREPARE, LAYOUT, PROCESS, PARAMETER, RELEASE, SAVE_LOAD = range(6)
RATE = {44100: 0, 48000: 1, 8000: 2, 22050: 3, 96000: 4, 192000: 5, "nan": 12, 0: 10, 1e10: 20}
SIZE = {512: 0, 64: 1, 0: 2, 1: 3, 2: 4, 3: 5, 17: 6, 511: 7, 4096: 8, 32768: 9, 32769: 10, 100000: 11}
VALUE = {0.0: 0, 0.5: 1, 1.0: 2, -1.0: 6, 2.0: 7, "nan": 8, "inf": 9, "-inf": 10}

def prepare(rate, size):
    return bytes([PREPARE, RATE[rate], SIZE[size]])

def parameter(index, value, notify=False):
    if value in VALUE:
        return bytes([PARAMETER, index | (0x80 if notify else 0), VALUE[value]])
    return bytes([PARAMETER, index, 255]) + struct.pack("<f", value)

def event(kind, first, second, position, channel=0):
    return bytes([kind | channel << 4, first, second]) + struct.pack("<H", position)

NOTE_ON, NOTE_OFF, WHEEL, MODWHEEL = 0, 1, 2, 3

def process(size, events=(), shape=0):
    return bytes([PROCESS, SIZE[size], shape, len(events)]) + b"".join(events)

POLY = 1 / 19
chord = [event(NOTE_ON, 60, 100, 0), event(NOTE_ON, 64, 90, 10), event(NOTE_ON, 67, 80, 20),
         event(WHEEL, 100, 0, 30), event(MODWHEEL, 0, 90, 40)]
release = [event(NOTE_OFF, n, 0, 5) for n in (60, 64, 67)]

blocks = {
    "chord-and-wheels": prepare(48000, 512) + parameter(7, POLY) + process(512, chord)
                        + process(512) + process(512, release) + process(64),
    "rates-and-layouts": prepare("nan", 17) + process(17, chord[:1]) + bytes([LAYOUT, 4])
                         + prepare(8000, 1) + process(1, chord[:2]) + process(2) + process(3)
                         + bytes([LAYOUT, 2]) + prepare(192000, 511) + process(511, chord, shape=3)
                         + prepare(0, 0) + process(64, release),
    "hostile-parameters": prepare(44100, 64) + process(64, chord)
                          + b"".join(parameter(i, v) for i in range(9) for v in ("nan", "inf", "-inf", 2.0))
                          + process(64) + parameter(0, -1.0, notify=True) + process(64),
    "block-beyond-the-oversampler": prepare(96000, 100000) + parameter(7, POLY) + process(32769, chord),
    "oversampler-sized-block": prepare(22050, 4096) + process(32768, chord) + bytes([RELEASE])
                               + process(4096, release),
    "note-flood": prepare(48000, 64) + parameter(7, POLY)
                  + process(64, [event(NOTE_ON, n, 100, n % 64) for n in range(128)][:200])
                  + parameter(7, 0.0) + process(64, [event(NOTE_ON, n, 1 + n, 0) for n in range(100)]),
    "state-while-playing": prepare(44100, 512) + process(512, chord) + bytes([SAVE_LOAD])
                           + parameter(6, 1.0) + process(512) + bytes([RELEASE, SAVE_LOAD]) + process(0, release),
}

for target, seeds in (("state", state), ("blocks", blocks)):
    folder = root / target
    folder.mkdir(parents=True, exist_ok=True)
    for name, data in seeds.items():
        (folder / name).write_bytes(data)
