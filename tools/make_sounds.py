#!/usr/bin/env python3
"""Synthesises the nine good-read sounds as 16-bit mono PCM wave files.

Each sound is a short sequence of tones: a tone glides from one frequency to another, may
carry a vibrato, and is shaped by a short attack and a release so that it starts and ends
without a click. The output is deterministic: running the script again gives the same bytes.

Usage: tools/make_sounds.py [output folder]   (default: share/sounds beside this tools folder)
"""

import math
import os
import struct
import sys
import wave

RATE = 8000
PEAK = 0.6 * 32767
ATTACK = 0.004
RELEASE = 0.02


def tone(start_hz, end_hz=None, seconds=0.1, vibrato_hz=0.0, vibrato_depth=0.0, level=1.0):
    """One tone: a frequency glide with an optional vibrato, as a list of floats in -1..1."""
    end_hz = start_hz if end_hz is None else end_hz
    count = int(RATE * seconds)
    samples = []
    phase = 0.0
    for i in range(count):
        t = i / RATE
        hz = start_hz + (end_hz - start_hz) * i / max(count - 1, 1)
        if vibrato_hz:
            hz *= 1.0 + vibrato_depth * math.sin(2 * math.pi * vibrato_hz * t)
        phase += 2 * math.pi * hz / RATE
        envelope = min(1.0, t / ATTACK, (seconds - t) / RELEASE)
        # A little of the third harmonic gives the tone the edge of a small speaker.
        value = math.sin(phase) + 0.2 * math.sin(3 * phase)
        samples.append(level * max(envelope, 0.0) * value / 1.2)
    return samples


def silence(seconds):
    return [0.0] * int(RATE * seconds)


def sequence(*parts):
    samples = []
    for part in parts:
        samples.extend(part)
    return samples


def decaying(samples, seconds):
    """Lets the samples die away exponentially, a bell rather than a buzzer."""
    return [s * math.exp(-i / (RATE * seconds)) for i, s in enumerate(samples)]


SOUNDS = {
    # A soft two-note chime.
    "Default": lambda: sequence(
        decaying(tone(988, seconds=0.12), 0.08), decaying(tone(1319, seconds=0.18), 0.1)
    ),
    # The scanner's own beep: short and high.
    "Hwandsw": lambda: tone(2730, seconds=0.12),
    # A quick rising chirp.
    "MenuPop": lambda: tone(600, 1400, seconds=0.1),
    # Two falling notes that ask for attention.
    "MsgBox_CE": lambda: sequence(tone(880, seconds=0.12), silence(0.03), tone(659, seconds=0.15)),
    # Three rising notes.
    "Notify_CE": lambda: sequence(
        tone(784, seconds=0.08), tone(988, seconds=0.08), tone(1175, seconds=0.14)
    ),
    # A warbled tone, like a voice.
    "VoicBeep": lambda: tone(1000, seconds=0.2, vibrato_hz=25, vibrato_depth=0.08),
    # Two alternating pitches, twice.
    "Alarm2": lambda: sequence(
        tone(1000, seconds=0.1), tone(1400, seconds=0.1), tone(1000, seconds=0.1),
        tone(1400, seconds=0.1)
    ),
    # Rapid pulses of one high tone.
    "Alarm3_CE": lambda: sequence(
        *[part for _ in range(5) for part in (tone(2000, seconds=0.04), silence(0.03))]
    ),
    # A long falling glide that runs out of breath.
    "LowBatt_CE": lambda: decaying(tone(800, 300, seconds=0.4), 0.3),
}


def write(path, samples):
    frames = b"".join(struct.pack("<h", int(round(s * PEAK))) for s in samples)
    with wave.open(path, "wb") as out:
        out.setnchannels(1)
        out.setsampwidth(2)
        out.setframerate(RATE)
        out.writeframes(frames)


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    folder = sys.argv[1] if len(sys.argv) > 1 else os.path.join(here, "..", "share", "sounds")
    os.makedirs(folder, exist_ok=True)
    for name, make in SOUNDS.items():
        samples = make()
        write(os.path.join(folder, name + ".wav"), samples)
        print(f"{name}.wav: {len(samples) / RATE:.2f} s")


if __name__ == "__main__":
    main()
