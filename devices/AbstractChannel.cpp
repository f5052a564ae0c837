#include "devices/AbstractChannel.h"

CAbstractChannel::~CAbstractChannel() = default;
