# Stacked on saa1057 in the tests: shows each item of its Python output as an annotation, so
# that sigrok-cli prints what a decoder stacked on it would receive.
import sigrokdecode as srd

class Decoder(srd.Decoder):
    api_version = 3
    id = name = longname = desc = 'saa1057_probe'
    license = 'gplv2+'
    inputs = ['saa1057']
    outputs = []
    annotations = (('item', 'Item'),)

    def reset(self):
        pass

    def start(self):
        self.out_ann = self.register(srd.OUTPUT_ANN)

    def decode(self, ss, es, data):
        self.put(ss, es, self.out_ann, [0, [repr(data)]])
