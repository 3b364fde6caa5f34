"""The words on the three wires of a value change dump, read as the chip's serial input does:
DATA is taken on each rising CLB edge while DLEN is high, most significant bit first, and a word
ends when DLEN falls. Written from the dump's format alone, apart from the program's writer and
our sigrok decoder, so that the three agree only when each is right."""

WIRES = ("CLB", "DATA", "DLEN")


def bus_words(path):
    """Each word shifted in, as a string of "0" and "1", in order."""
    names = {}  # identifier code -> wire name
    level = dict.fromkeys(WIRES, "0")
    words, bits = [], []
    with open(path, encoding="ascii") as dump:
        for line in dump:
            fields = line.split()
            if fields[:2] == ["$var", "wire"] and fields[4] in WIRES:
                names[fields[3]] = fields[4]
                continue
            if not fields or fields[0][0] not in "01" or fields[0][1:] not in names:
                continue
            wire, value = names[fields[0][1:]], fields[0][0]
            rising = level[wire] == "0" and value == "1"
            falling = level[wire] == "1" and value == "0"
            level[wire] = value
            if wire == "DLEN" and rising:
                bits = []
            elif wire == "DLEN" and falling:
                words.append("".join(bits))
            elif wire == "CLB" and rising and level["DLEN"] == "1":
                bits.append(level["DATA"])
    return words
