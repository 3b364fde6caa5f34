'''
Decodes the three-wire bus of the SAA1057 radio-tuning PLL synthesizer, as the chip sees it:
each rising edge of the clock (CLB) while the enable (DLEN) is high shifts in one bit of DATA;
when DLEN falls the bits form one word, which the next rising clock edge loads. A word is
17 bits: a leading zero, then Word A (the divider N) or Word B (the auxiliary settings).

The optional LOCK channel is the chip's test pin: once Word B has put it on the in-lock
function, its rise after a word tells how long the loop took to lock.

Python output, for decoders stacked on this one: one item per loaded word, spanning it from
DLEN rising to the load pulse. 'word' is the 16-bit control word without the leading zero; a
Word B setting shows the panel's text for its code, or None for a code the panel never sends.

 ['WORD_A', {'word': '0010110110101010', 'n': 11690}]
 ['WORD_B', {'word': '1100000100000000', 'refh': 0, 'current_ma': '0.023', 'sla': 0,
             'phase': 'Automatic off', 'brm': 0, 'test': '1'}]
'''

from .pd import Decoder
