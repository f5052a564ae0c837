/* A Modbus server built on libmodbus, the peer of the Modbus tests.
 *
 *   modbus-test-server tcp [options]                      listens on 127.0.0.1, port chosen by the
 *                                                          system, printed as "PORT n"
 *   modbus-test-server rtu DEVICE BAUD UNIT [options]     serves unit UNIT on a serial line (8N1),
 *                                                          prints "READY"
 * options:
 *   --silent-unit U    never answer requests to unit U (RTU: any unit but UNIT is ignored anyway)
 *   --ignore-first N   leave the first N requests unanswered, then answer again
 *   --reply-delay MS   wait MS milliseconds before each answer, as a unit on a real line does
 *   --debug            libmodbus prints every frame on stderr
 *
 * Tables: coils 0-1999 (on when the address is a multiple of 3), discrete inputs 0-999 (on when
 * odd), holding registers 0-99 (1000 + address; 98 holds 0x8000 and 99 0xFFFF), input registers
 * 0-99 (2000 + address). Writes change the tables; reads beyond them get exception 2. A TCP client
 * that leaves is replaced by the next one. The server ends on SIGTERM.
 *
 * libmodbus on a serial line takes the frame that follows a request to another unit for that
 * unit's reply and drops it: the request after one to a silent unit goes unanswered as well.
 */
#include <arpa/inet.h>
#include <errno.h>
#include <modbus.h>
#include <netinet/in.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/socket.h>
#include <unistd.h>

enum
{
    kCoils = 2000,
    kInputs = 1000,
    kRegisters = 100,
    kInputRegisters = 100,
};

static modbus_mapping_t* NewTables(void)
{
    modbus_mapping_t* map = modbus_mapping_new(kCoils, kInputs, kRegisters, kInputRegisters);
    if (!map)
        return NULL;
    for (int i = 0; i < kCoils; ++i)
        map->tab_bits[i] = (i % 3 == 0);
    for (int i = 0; i < kInputs; ++i)
        map->tab_input_bits[i] = (i % 2 == 1);
    for (int i = 0; i < kRegisters; ++i)
        map->tab_registers[i] = (uint16_t)(1000 + i);
    map->tab_registers[98] = 0x8000;
    map->tab_registers[99] = 0xFFFF;
    for (int i = 0; i < kInputRegisters; ++i)
        map->tab_input_registers[i] = (uint16_t)(2000 + i);
    return map;
}

struct Options
{
    int silentUnit;
    long ignoreFirst;
    int replyDelayMs;
    int debug;
};

static int ParseOptions(int argc, char** argv, int first, struct Options* options)
{
    options->silentUnit = -1;
    options->ignoreFirst = 0;
    options->replyDelayMs = 0;
    options->debug = 0;
    for (int i = first; i < argc; ++i)
    {
        if (strcmp(argv[i], "--silent-unit") == 0 && i + 1 < argc)
            options->silentUnit = atoi(argv[++i]);
        else if (strcmp(argv[i], "--ignore-first") == 0 && i + 1 < argc)
            options->ignoreFirst = atol(argv[++i]);
        else if (strcmp(argv[i], "--reply-delay") == 0 && i + 1 < argc)
            options->replyDelayMs = atoi(argv[++i]);
        else if (strcmp(argv[i], "--debug") == 0)
            options->debug = 1;
        else
            return 0;
    }
    return 1;
}

/* Answers one request unless the options say to stay silent. */
static void Answer(modbus_t* ctx, modbus_mapping_t* map, const uint8_t* query, int length,
                   struct Options* options)
{
    const int unit = query[modbus_get_header_length(ctx) - 1];
    if (options->ignoreFirst > 0)
    {
        --options->ignoreFirst;
        return;
    }
    if (unit == options->silentUnit)
        return;
    if (options->replyDelayMs > 0)
        usleep((useconds_t)options->replyDelayMs * 1000);
    modbus_reply(ctx, query, length, map);
}

static int ServeTcp(struct Options* options)
{
    modbus_t* ctx = modbus_new_tcp("127.0.0.1", 0);
    modbus_mapping_t* map = NewTables();
    if (!ctx || !map)
        return 1;
    modbus_set_debug(ctx, options->debug);
    const int listener = modbus_tcp_listen(ctx, 1);
    struct sockaddr_in address;
    socklen_t size = sizeof address;
    if (listener < 0 || getsockname(listener, (struct sockaddr*)&address, &size) != 0)
    {
        fprintf(stderr, "listen: %s\n", modbus_strerror(errno));
        return 1;
    }
    printf("PORT %d\n", ntohs(address.sin_port));
    fflush(stdout);
    int server = listener;
    for (;;)
    {
        if (modbus_tcp_accept(ctx, &server) < 0)
            return 1;
        uint8_t query[MODBUS_TCP_MAX_ADU_LENGTH];
        int length;
        while ((length = modbus_receive(ctx, query)) >= 0)
        {
            if (length > 0)
                Answer(ctx, map, query, length, options);
        }
        modbus_close(ctx); /* the client left: wait for the next one */
    }
}

static int ServeRtu(const char* device, int baud, int unit, struct Options* options)
{
    modbus_t* ctx = modbus_new_rtu(device, baud, 'N', 8, 1);
    modbus_mapping_t* map = NewTables();
    if (!ctx || !map || modbus_set_slave(ctx, unit) != 0)
        return 1;
    modbus_set_debug(ctx, options->debug);
    if (modbus_connect(ctx) != 0)
    {
        fprintf(stderr, "connect %s: %s\n", device, modbus_strerror(errno));
        return 1;
    }
    printf("READY\n");
    fflush(stdout);
    uint8_t query[MODBUS_RTU_MAX_ADU_LENGTH];
    for (;;)
    {
        const int length = modbus_receive(ctx, query);
        if (length > 0)
            Answer(ctx, map, query, length, options);
        else if (length < 0 && errno != EMBBADCRC && errno != ETIMEDOUT && errno != EMBBADDATA)
            usleep(1000); /* a line with no peer yet: try again */
    }
}

int main(int argc, char** argv)
{
    struct Options options;
    setvbuf(stdout, NULL, _IONBF, 0); /* the debug frames reach the log before an end by signal */
    if (argc >= 2 && strcmp(argv[1], "tcp") == 0 && ParseOptions(argc, argv, 2, &options))
        return ServeTcp(&options);
    if (argc >= 5 && strcmp(argv[1], "rtu") == 0 && ParseOptions(argc, argv, 5, &options))
        return ServeRtu(argv[2], atoi(argv[3]), atoi(argv[4]), &options);
    fprintf(stderr, "usage: %s tcp [options] | rtu DEVICE BAUD UNIT [options]\n", argv[0]);
    return 2;
}
