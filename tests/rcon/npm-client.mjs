// Drives an RCON server with two common RCON clients from the npm registry that this project did
// not write, each in its own way of reading:
// - rcon-client decodes a stream: authenticate, send commands two at a time (so answers must be
//   matched by id), check each answer and packet, check that a wrong password is turned away;
// - rcon-srcds decodes only the first packet of each read, so it hangs unless every packet
//   reaches it on its own: authenticate, send the commands one by one, then fifty at once, check
//   a wrong password.
//
//   node npm-client.mjs --password PW [--command CMD --expect TEXT]... [--then TEXT]
//                       [--port-pattern REGEX] -- SERVER-EXECUTABLE [SERVER-ARGUMENTS...]
//
// --then: every answer is followed by a second packet with the same id and the body TEXT (a game
// server answers each request itself after its plugins). Each client's result is printed, as an
// admin's tool built on it would show it.
//
// The server is started here with a pipe as its standard input; its standard output must name the
// port it listens on in a line matching --port-pattern (default: "listening <port>"). Closing its
// input at the end asks it to stop.

import { spawn } from "node:child_process";
import { createInterface } from "node:readline";
import rconClient from "rcon-client";
import rconSrcds from "rcon-srcds";

const { Rcon } = rconClient;
const SrcdsRcon = rconSrcds.default;

function parseArguments(argv) {
  const options = { password: null, commands: [], then: null, portPattern: /listening (\d+)/, server: [] };
  for (let index = 0; index < argv.length; ++index) {
    const name = argv[index];
    if (name === "--") {
      options.server = argv.slice(index + 1);
      break;
    }
    const value = argv[++index];
    if (value === undefined) throw new Error(`${name} needs a value`);
    if (name === "--password") options.password = value;
    else if (name === "--command") options.commands.push({ command: value, expect: null });
    else if (name === "--expect") {
      if (options.commands.length === 0) throw new Error("--expect must follow a --command");
      options.commands[options.commands.length - 1].expect = value;
    } else if (name === "--then") options.then = value;
    else if (name === "--port-pattern") options.portPattern = new RegExp(value);
    else throw new Error(`unknown option ${name}`);
  }
  if (options.password === null || options.server.length === 0)
    throw new Error("usage: npm-client.mjs --password PW [--command CMD --expect TEXT]... -- SERVER [ARGS...]");
  return options;
}

let failures = 0;
function check(condition, what) {
  console.log(`${condition ? "ok" : "FAIL"} ${what}`);
  if (!condition) failures++;
}

function withTimeout(promise, ms, what) {
  let timer;
  const timeout = new Promise((_, reject) => {
    timer = setTimeout(() => reject(new Error(`timed out: ${what}`)), ms);
  });
  return Promise.race([promise, timeout]).finally(() => clearTimeout(timer));
}

function startServer(commandLine, portPattern) {
  const server = spawn(commandLine[0], commandLine.slice(1), { stdio: ["pipe", "pipe", "inherit"] });
  const exited = new Promise((resolve) => server.on("exit", (code, signal) => resolve({ code, signal })));
  const port = new Promise((resolve, reject) => {
    server.on("error", reject);
    exited.then(({ code }) => reject(new Error(`server exited early with ${code}`)));
    createInterface({ input: server.stdout }).on("line", (line) => {
      console.log(`server: ${line}`);
      const match = portPattern.exec(line);
      if (match) resolve(Number(match[1]));
    });
  });
  return { server, exited, port: withTimeout(port, 15000, "server port") };
}

// Records every packet `socket` receives into `packets`, so ids and types can be checked
// independently of how the client matches answers to requests.
function tapSocket(socket, packets) {
  let pending = Buffer.alloc(0);
  socket.on("data", (chunk) => {
    pending = Buffer.concat([pending, chunk]);
    while (pending.length >= 4 && pending.length >= 4 + pending.readInt32LE(0)) {
      const size = pending.readInt32LE(0);
      packets.push({
        id: pending.readInt32LE(4),
        type: pending.readInt32LE(8),
        body: pending.subarray(12, 4 + size - 2).toString("utf-8"),
        terminated: pending[4 + size - 2] === 0 && pending[4 + size - 1] === 0,
      });
      pending = pending.subarray(4 + size);
    }
  });
  return packets;
}

function tapPackets(rcon) {
  const packets = [];
  // A reset connection is reported as an "error" event, which would end the process unheard.
  rcon.on("error", (error) => console.log(`client: ${error.message}`));
  rcon.on("connect", () => tapSocket(rcon.socket, packets));
  return packets;
}

// Resolves once `predicate` holds (checked every 10 ms); wrap it in withTimeout.
function waitFor(predicate) {
  return new Promise((resolve) => {
    const poll = () => (predicate() ? resolve() : setTimeout(poll, 10));
    poll();
  });
}

async function checkAuthenticatedSession(port, options) {
  const rcon = new Rcon({ host: "127.0.0.1", port, password: options.password, timeout: 5000, maxPending: 2 });
  const packets = tapPackets(rcon);
  await withTimeout(rcon.connect(), 10000, "authentication");
  check(rcon.authenticated, "authenticated with the right password");

  // rcon-client numbers requests from 0 (the authentication) upwards, in the order they are made.
  const answers = await withTimeout(
    Promise.all(options.commands.map(({ command }) => rcon.send(command))), 10000, "command answers");
  options.commands.forEach(({ command, expect }, index) => {
    const id = index + 1;
    console.log(`rcon-client: send(${JSON.stringify(command)}) returned ${JSON.stringify(answers[index])}`);
    if (expect !== null)
      check(answers[index].includes(expect), `answer to "${command}" contains "${expect}" (got "${answers[index]}")`);
    const packet = packets.find((candidate) => candidate.id === id);
    check(packet !== undefined && packet.type === 0 && packet.body === answers[index] && packet.terminated,
      `answer to "${command}" came as a terminated response packet with id ${id}`);
  });
  if (options.then !== null) {
    // The client hands send() the first answer and drops the rest; the socket shows them all.
    const ids = options.commands.map((_, index) => index + 1);
    const sameId = (id) => packets.filter((packet) => packet.id === id);
    await withTimeout(waitFor(() => ids.every((id) => sameId(id).length >= 2)), 10000, "the second answers");
    ids.forEach((id) => {
      const bodies = sameId(id).map((packet) => packet.body);
      console.log(`rcon-client: the socket received for id ${id}: ${JSON.stringify(bodies)}`);
      check(bodies.length === 2 && bodies[1] === options.then, `request ${id} was answered a second time, last, with ${JSON.stringify(options.then)}`);
    });
  }
  const verdict = packets.find((packet) => packet.type === 2);
  check(verdict !== undefined && verdict.id === 0, "authentication verdict carries the request's id");
  await withTimeout(rcon.end(), 5000, "closing the session");
}

async function checkWrongPasswordRefused(port, options) {
  const rcon = new Rcon({ host: "127.0.0.1", port, password: `${options.password}-wrong`, timeout: 5000 });
  const packets = tapPackets(rcon);
  let refusal = null;
  try {
    await withTimeout(rcon.connect(), 10000, "refused authentication");
  } catch (error) {
    refusal = error;
  }
  check(refusal !== null && /Authentication failed/.test(refusal.message),
    `wrong password refused (${refusal ? refusal.message : "connected"})`);
  check(!rcon.authenticated, "client is not authenticated after a wrong password");
  check(packets.length > 0 && packets.every((packet) => packet.id === -1), "every answer to a wrong password has id -1");
}

async function checkSrcdsSession(port, options) {
  const rcon = new SrcdsRcon({ host: "127.0.0.1", port, encoding: "utf8" });
  await withTimeout(rcon.authenticate(options.password), 10000, "rcon-srcds authentication");
  check(rcon.isAuthenticated(), "rcon-srcds: authenticated with the right password");
  // rcon-srcds picks request ids at random from 1 to 255 and takes the first packet with its id:
  // a second answer still on its way could be taken for the next request's, so it is waited for.
  const packets = tapSocket(rcon.connection, []);
  let requests = 0;
  const secondAnswers = (count) =>
    withTimeout(waitFor(() => packets.filter((packet) => packet.body === options.then).length >= count), 10000,
      "rcon-srcds: the second answers");
  for (const { command, expect } of options.commands) {
    const answer = await withTimeout(rcon.execute(command), 10000, `rcon-srcds answer to "${command}"`);
    console.log(`rcon-srcds: execute(${JSON.stringify(command)}) returned ${JSON.stringify(answer)}`);
    if (expect !== null)
      check(String(answer).includes(expect), `rcon-srcds: answer to "${command}" contains "${expect}" (got "${answer}")`);
    requests += 1;
    if (options.then !== null) await secondAnswers(requests);
  }
  // Fifty requests in one go, each answered in a packet of its own (each listens on the socket).
  const { command, expect } = options.commands[0];
  rcon.connection.setMaxListeners(100);
  const burst = await withTimeout(Promise.all(Array.from({ length: 50 }, () => rcon.execute(command))), 30000,
    "rcon-srcds answers to 50 requests at once");
  check(burst.length === 50 && burst.every((answer) => expect === null || String(answer).includes(expect)),
    `rcon-srcds: 50 requests at once all answered`);
  if (options.then !== null) await secondAnswers(requests + 50);
  await withTimeout(rcon.disconnect(), 5000, "rcon-srcds closing the session");

  const intruder = new SrcdsRcon({ host: "127.0.0.1", port, encoding: "utf8" });
  let refusal = null;
  try {
    await withTimeout(intruder.authenticate(`${options.password}-wrong`), 10000, "rcon-srcds refused authentication");
  } catch (error) {
    refusal = error;
  }
  check(refusal !== null && /Unable to authenticate/.test(refusal.message),
    `rcon-srcds: wrong password refused (${refusal ? refusal.message : "authenticated"})`);
}

async function main() {
  const options = parseArguments(process.argv.slice(2));
  const { server, exited, port: portPromise } = startServer(options.server, options.portPattern);
  try {
    const port = await portPromise;
    await checkAuthenticatedSession(port, options);
    await checkWrongPasswordRefused(port, options);
    await checkSrcdsSession(port, options);
  } catch (error) {
    check(false, error.message);
  }
  server.stdin.end();
  const { code, signal } = await withTimeout(exited, 10000, "server exit").catch((error) => {
    server.kill();
    return { code: null, signal: error.message };
  });
  check(code === 0, `server stopped at end of its input (exit ${code}${signal ? `, ${signal}` : ""})`);
  console.log(failures === 0 ? "all checks passed" : `${failures} check(s) failed`);
  process.exit(failures === 0 ? 0 : 1);
}

main();
