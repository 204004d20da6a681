; Test program for the HEX loader: a 1K-word chip with CONFIG1, ID locations and EEPROM data.
        list    p=16f84a
        include <p16f84a.inc>
        errorlevel -302
        __CONFIG _CP_OFF & _WDT_OFF & _PWRTE_ON & _XT_OSC
        __IDLOCS 0x1234

        org     0x0000
        goto    start
        org     0x0004
        retfie
start   bsf     STATUS, RP0
        clrf    TRISB
        bcf     STATUS, RP0
loop    movlw   0x55
        movwf   PORTB
        decfsz  0x0C, f
        goto    loop
        goto    start
        org     0x03FF              ; the last word of the chip
        sleep

        org     0x2100
        de      "Hi", 0x00, 0xA5, 0xFF, 0x7F
        end
