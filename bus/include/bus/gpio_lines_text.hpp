#pragma once

// How --port names three GPIO lines, and the one example of it that the help and every message
// show (a Raspberry Pi's header as the README wires it). Macros, so that tables of messages join
// them at compile time.
#define SAA_GPIO_LINES_FORM "gpio:CHIP:CLOCK,DATA,ENABLE"
#define SAA_GPIO_LINES_EXAMPLE "gpio:gpiochip0:GPIO17,GPIO27,GPIO22"
