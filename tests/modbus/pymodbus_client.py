# A pymodbus client on 127.0.0.1:PORT: each argument READ:ADDRESS:COUNT or WRITE:ADDRESS:V1/V2...
# prints one line per request: the registers read, "ok", or "exception N".
import sys
from pymodbus.client import ModbusTcpClient

client = ModbusTcpClient("127.0.0.1", port=int(sys.argv[1]), timeout=2)
if not client.connect():
    sys.exit("cannot connect")
for request in sys.argv[2:]:
    kind, address, rest = request.split(":")
    if kind == "READ":
        r = client.read_holding_registers(int(address), int(rest), slave=1)
    else:
        r = client.write_registers(int(address), [int(v) for v in rest.split("/")], slave=1)
    if r.isError():
        print("exception", getattr(r, "exception_code", "?"))
    elif kind == "READ":
        print(" ".join(str(v) for v in r.registers))
    else:
        print("ok")
client.close()
