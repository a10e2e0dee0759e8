# A Modbus TCP server from pymodbus on 127.0.0.1:PORT holding REGISTERS (address=value,...) in
# holding registers; registers at or above 1000 refuse writes with "illegal data value".
# Stops by itself after SECONDS.
import logging, os, sys, threading
from pymodbus.datastore import ModbusSequentialDataBlock, ModbusSlaveContext, ModbusServerContext
from pymodbus.server import StartTcpServer

port, seconds, registers = int(sys.argv[1]), float(sys.argv[2]), sys.argv[3]
values = [0] * 1100
for item in filter(None, registers.split(",")):
    address, value = item.split("=")
    values[int(address)] = int(value)

class Block(ModbusSequentialDataBlock):
    def setValues(self, address, vals):
        if address >= 1000:
            raise ValueError("refused")
        super().setValues(address, vals)

logging.disable(logging.CRITICAL)  # refused writes are expected
block = Block(0, values)
context = ModbusServerContext(slaves=ModbusSlaveContext(hr=block, zero_mode=True), single=True)
threading.Timer(seconds, lambda: os._exit(0)).start()
StartTcpServer(context=context, address=("127.0.0.1", port))
