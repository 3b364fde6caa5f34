import sigrokdecode as srd

# A word on the wire: a leading zero, then the 16-bit control word.
WIRE_BITS = 17

# Word B's settings by their codes, as the panel's window names them.
REFH = {'0': '1 Khz Reference frequency', '1': '1.25 Khz Reference frequency'}
CURRENT_MA = {'0000': '0.023', '0001': '0.07', '0010': '0.23', '0110': '0.7', '1110': '2.3'}
SLA = {'0': 'Load mode - asynchronous', '1': 'Load mode - synchronous'}
PHASE = {'00': 'Automatic off', '10': 'On', '11': 'Off'}
BRM = {'0': 'Current always on', '1': 'Current switched'}
TEST_PIN = {'0000': '1', '0100': 'Reference frequency',
            '0001': 'Output  programmable counter', '0101': 'Output in-lock counter'}

# Word B's settings: output key, first and end position in the 16-bit word, texts, and the
# caption of a list (a toggle's label names the setting itself).
WORD_B_FIELDS = (
    ('refh', 2, 3, REFH, None),
    ('current_ma', 3, 7, CURRENT_MA, 'Current (mA)'),
    ('sla', 8, 9, SLA, None),
    ('phase', 9, 11, PHASE, 'Phase detector mode'),
    ('brm', 11, 12, BRM, None),
    ('test', 12, 16, TEST_PIN, 'Test pin'),
)

# The test function that makes the test pin the lock output.
IN_LOCK_TEST = '0101'

# The in-lock output pulses low while the loop is out of lock: as the panel does, a lock is a
# high that lasted this long unbroken, and the lock's time is when that high began.
SETTLE_MS = 2

class Ann:
    BIT, WORD_A, WORD_B, WARNING, LOCK = range(5)

# The oscillator's step per divider count, by Word B's REFH bit: ten times the reference.
STEP_HZ = {'0': 10000, '1': 12500}

def received_mhz(n, step_hz):
    # As the panel shows it: the oscillator less the 10.7 MHz intermediate frequency, in the
    # shortest form of at most 15 significant digits.
    return '%.15g' % (n * step_hz / 1000000 - 10.7)

def oscillator_mhz(n, step_hz):
    # To the step: two places at 10 kHz, four at 12.5 kHz.
    return '%.*f' % (2 if step_hz % 10000 == 0 else 4, n * step_hz / 1000000)

class Decoder(srd.Decoder):
    api_version = 3
    id = 'saa1057'
    name = 'SAA1057'
    longname = 'SAA1057 radio-tuning PLL synthesizer'
    desc = 'Three-wire bus of the SAA1057 synthesizer: divider N and Word B settings.'
    license = 'unknown'  # until the project has a licence; see the package's copyright file
    inputs = ['logic']
    outputs = ['saa1057']
    tags = ['IC', 'Wireless/RF']
    channels = (
        {'id': 'clb', 'name': 'CLB', 'desc': 'Clock'},
        {'id': 'data', 'name': 'DATA', 'desc': 'Data, taken on the rising clock edge'},
        {'id': 'dlen', 'name': 'DLEN', 'desc': 'Enable, high while a word is shifted in'},
    )
    optional_channels = (
        {'id': 'lock', 'name': 'LOCK', 'desc': 'Test pin, high while locked (in-lock function)'},
    )
    annotations = (
        ('bit', 'Bit'),
        ('word-a', 'Word A'),
        ('word-b', 'Word B'),
        ('warning', 'Warning'),
        ('lock', 'Lock'),
    )
    options = (
        {'id': 'timeout_ms', 'desc': 'Time a word has to lock (ms)', 'default': 100},
    )
    annotation_rows = (
        ('bits', 'Bits', (Ann.BIT,)),
        ('words', 'Words', (Ann.WORD_A, Ann.WORD_B)),
        ('warnings', 'Warnings', (Ann.WARNING,)),
        ('locks', 'Lock', (Ann.LOCK,)),
    )

    def __init__(self):
        self.reset()

    def reset(self):
        self.word = None     # being shifted in: its start and its [sample, bit] pairs
        self.pending = None  # complete since DLEN fell, waiting for its load pulse
        self.samplerate = None
        self.loaded = None   # the sample of the last word's load pulse
        self.lock_test = False  # the last Word B put the test pin on the in-lock function
        self.lock = None     # while a word's lock is watched: 'waiting' or 'locked'
        self.high_since = None  # the sample the line last went high at, while it is high
        self.lock_channel = False
        self.step_hz = STEP_HZ['0']  # the chip's until a Word B says otherwise

    def metadata(self, key, value):
        if key == srd.SRD_CONF_SAMPLERATE:
            self.samplerate = value

    def start(self):
        self.out_ann = self.register(srd.OUTPUT_ANN)
        self.out_python = self.register(srd.OUTPUT_PYTHON)

    def decode(self):
        conditions = [{0: 'r'}, {2: 'e'}]
        # Asked once: Debian 12's libsigrokdecode returns its booleans without a reference, and
        # each call wears Python's True down until it is freed.
        self.lock_channel = self.has_channel(3)
        if self.lock_channel:
            conditions.append({3: 'e'})
        while True:
            deadline = self.next_deadline()
            waiting_for = conditions + ([{'skip': deadline - self.samplenum}] if deadline else [])
            pins = self.wait(waiting_for)
            data, dlen = pins[1], pins[2]
            if deadline and self.matched[-1]:
                self.deadline_passed()
            if len(self.matched) > 2 and self.matched[2]:
                self.lock_edge(pins[3])
            # A coarse capture may show both in one sample: the enable's edge came first.
            if self.matched[1]:
                if dlen:
                    self.begin_word()
                else:
                    self.end_word()
            if self.matched[0]:
                if dlen:
                    self.shift(data)
                elif self.pending:
                    self.load()
                else:
                    self.warn(self.samplenum, self.samplenum, 'Clock edge while DLEN is low')

    def samples(self, ms):
        return int(ms * self.samplerate / 1000)

    def ms_since(self, sample):
        return (sample - self.loaded) * 1000 / self.samplerate

    def next_deadline(self):
        """The sample at which the watched lock is decided if no edge comes first."""
        if self.lock != 'waiting' or not self.samplerate:
            return None
        timeout = self.loaded + self.samples(self.options['timeout_ms'])
        if self.high_since is not None and self.high_since < timeout:
            return max(self.high_since + self.samples(SETTLE_MS), self.samplenum + 1)
        return max(timeout, self.samplenum + 1)

    def deadline_passed(self):
        if self.high_since is not None and self.high_since < self.loaded + self.samples(
                self.options['timeout_ms']):
            self.lock = 'locked'
            self.put(self.loaded, self.high_since, self.out_ann, [Ann.LOCK, [
                'Locked after %.1f ms' % self.ms_since(self.high_since), 'Locked', 'L']])
        else:
            self.lock = None
            self.put(self.loaded, self.samplenum, self.out_ann, [Ann.LOCK, [
                'Not locked within %d ms' % self.options['timeout_ms'], 'Not locked', 'U']])

    def lock_edge(self, high):
        self.high_since = self.samplenum if high else None
        # On another function the pin says nothing of the lock (the reference toggles it).
        if not self.lock_test or high or self.lock != 'locked':
            return
        self.lock = None
        self.put(self.samplenum, self.samplenum, self.out_ann,
                 [Ann.LOCK, ['Lock lost', 'Lost', 'X']])

    def watch_lock(self, word_b=None):
        """A word was loaded: the lock it leaves undecided is said, and the next one watched."""
        if self.lock == 'waiting' and self.samplerate:
            self.put(self.loaded, self.samplenum, self.out_ann, [Ann.LOCK, [
                'Replaced after %.1f ms, not locked yet' % self.ms_since(self.samplenum),
                'Replaced', 'R']])
        if word_b is not None:
            self.lock_test = word_b[12:16] == IN_LOCK_TEST
        self.loaded = self.samplenum
        self.lock = 'waiting' if self.lock_test and self.lock_channel else None
        if self.high_since is not None:
            self.high_since = self.samplenum

    def warn(self, ss, es, text):
        self.put(ss, es, self.out_ann, [Ann.WARNING, [text, 'Warning', 'W']])

    def begin_word(self):
        if self.pending:
            word, es = self.pending
            self.warn(word['ss'], es, 'Word not loaded: no clock pulse after DLEN fell')
            self.pending = None
        self.word = {'ss': self.samplenum, 'bits': []}

    def shift(self, bit):
        if self.word is None:  # the capture began inside a word
            self.word = {'ss': self.samplenum, 'bits': []}
        self.close_bit()
        self.word['bits'].append([self.samplenum, bit])

    def close_bit(self):
        if self.word['bits']:
            ss, bit = self.word['bits'][-1]
            self.put(ss, self.samplenum, self.out_ann, [Ann.BIT, [str(bit)]])

    def end_word(self):
        if self.word is None:
            return
        self.close_bit()
        self.pending = (self.word, self.samplenum)
        self.word = None

    def load(self):
        word = self.pending[0]
        self.pending = None
        ss, es = word['ss'], self.samplenum
        bits = ''.join(str(bit) for _, bit in word['bits'])
        if len(bits) != WIRE_BITS:
            self.warn(ss, es, 'Word of %d bits, not %d: %s' % (len(bits), WIRE_BITS, bits))
        elif bits[0] != '0':
            self.warn(ss, es, 'Word without its leading zero: ' + bits)
        elif bits[1] == '0':
            self.word_a(ss, es, bits[1:])
        elif bits[1:3] == '11' and bits[8] == '1':
            self.word_b(ss, es, bits[1:])
        else:
            self.warn(ss, es, 'Neither Word A nor Word B: ' + bits[1:])

    def word_a(self, ss, es, word):
        self.watch_lock()
        n = int(word[1:], 2)
        mhz = received_mhz(n, self.step_hz)
        self.put(ss, es, self.out_ann, [Ann.WORD_A, [
            'Word A: N %d, oscillator %s MHz, received %s MHz' % (
                n, oscillator_mhz(n, self.step_hz), mhz),
            'A: N %d, %s MHz' % (n, mhz), '%s MHz' % mhz, 'A']])
        self.put(ss, es, self.out_python, ['WORD_A', {'word': word, 'n': n}])

    def word_b(self, ss, es, word):
        settings = {'word': word}
        texts = []
        for key, first, end, names, caption in WORD_B_FIELDS:
            code = word[first:end]
            name = names.get(code)
            settings[key] = int(code) if caption is None else name
            if caption is None:
                texts.append(name)
            else:
                texts.append('%s: %s' % (caption, name if name else 'code ' + code))
        self.watch_lock(word)
        self.step_hz = STEP_HZ[word[2]]
        self.put(ss, es, self.out_ann, [Ann.WORD_B, [
            'Word B: ' + ', '.join(texts), 'Word B: ' + word, 'B']])
        self.put(ss, es, self.out_python, ['WORD_B', settings])
