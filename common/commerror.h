#ifndef COMMERROR_H
#define COMMERROR_H

// Argument of communicateError and of the engines' processCommError slots. The serial link
// reports 0, 1 and 4; the NFC engines report 2; the serial engines raise 3 themselves.
enum CommErrorTypeDef {
    COMM_ERR_TIMEOUT = 0,
    COMM_ERR_PORT = 1,
    COMM_ERR_NFC_TOOL = 2,
    COMM_ERR_INVALID_ANSWER = 3,
    // The link is looking for the tool and sent nothing: there is no tool to send to yet.
    COMM_ERR_NO_TOOL = 4,
};

// The request found no tool: its port was lost, or the link is still looking for the tool. Either
// way no retry can succeed before the tool is found.
constexpr bool isToolUnavailable(int errorType)
{
    return errorType == COMM_ERR_PORT || errorType == COMM_ERR_NO_TOOL;
}

#endif // COMMERROR_H
