#pragma once

class CommandQuery;
class DbConnection;

// The host's database handle: its shared command query first, the connection second.
struct TMyDatabase
{
    CommandQuery* Command = nullptr;
    DbConnection* Connection = nullptr;
};
