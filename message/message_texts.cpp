// The program-wide message texts, empty until the editor first changes.
#include "message/message_texts.h"

Text messageText;
Text messageSubject;
Text messageBody;
