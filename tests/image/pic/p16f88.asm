; Test program for the HEX loader: a chip with two configuration words.
        list    p=16f88
        include <p16f88.inc>
        __CONFIG _CONFIG1, _CP_OFF & _WDT_OFF & _HS_OSC & _LVP_OFF
        __CONFIG _CONFIG2, _IESO_OFF & _FCMEN_OFF

        org     0x0000
        clrw
        movlw   0xA5
        goto    $

        org     0x2100
        de      0x11, 0x22, 0x33
        end
