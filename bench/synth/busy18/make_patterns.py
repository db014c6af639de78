#!/usr/bin/env python3
# Writes the four patterns of the busy 18-channel benchmark song: every channel
# starts a note every other row, with vibrato, arpeggio, volume slides,
# portamento, panning and volume-column commands, so that all 18 channels and
# their partners sound at once. Run from this folder; the output is committed.
NOTES = ["C-", "C#", "D-", "D#", "E-", "F-", "F#", "G-", "G#", "A-", "A#", "B-"]
EFFECTS = ["446", "037", "A02", "320", "102", "8C0", "A20", "047", "...", "202"]
VOLUMES = ["v48", "...", "d02", "p04", "c01", "...", "p12", "u04"]

def note(n):
    return NOTES[n % 12] + str(n // 12)

for p in range(4):
    lines = ["# Busy benchmark pattern %d: 18 channels, a note every other row." % p]
    for row in range(64):
        cells = []
        for ch in range(18):
            if (row + ch + p) % 2 == 0:
                n = 24 + (row * 7 + ch * 5 + p * 3) % 48
                cell = "%s %02d %s %s" % (note(n), 1 + (ch + p) % 7, VOLUMES[(row + ch) % 8],
                                          EFFECTS[(row + ch * 3 + p) % 10])
            else:
                cell = "... .. %s %s" % (VOLUMES[(row * 3 + ch) % 8], EFFECTS[(row + ch) % 10])
            cells.append(cell)
        lines.append("%02d | %s" % (row, " | ".join(cells)))
    with open("p%d.pattern" % p, "w") as f:
        f.write("\n".join(lines) + "\n")
