#ifndef COMMERROR_H
#define COMMERROR_H

// Argument of communicateError and of the engines' processCommError slots. The serial link
// reports 0 and 1; the NFC engines report 2; the serial engines raise 3 themselves.
enum CommErrorTypeDef {
    COMM_ERR_TIMEOUT = 0,
    COMM_ERR_PORT = 1,
    COMM_ERR_NFC_TOOL = 2,
    COMM_ERR_INVALID_ANSWER = 3,
};

#endif // COMMERROR_H
