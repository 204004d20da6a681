#pragma once
// The programmer backends as a front end names them (--port, the port prompt): the backend
// table's rows and choice, passed on so that no front end includes a header below the session.
#include "programmer/backend_table.h"
#include "programmer/parallel_backend.h"
