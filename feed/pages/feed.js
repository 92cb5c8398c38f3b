// Shared by the hall board and the overlay: the seven-segment digits, drawn as the console draws
// them, and the connection to the console's event stream.
'use strict';

// Lit bars of the digits 0 to 9: bit i is bar i (top, upper left, upper right, middle, lower
// left, lower right, bottom), as in the console.
const DIGIT_BARS = [0x77, 0x24, 0x5d, 0x6d, 0x2e, 0x6b, 0x7b, 0x25, 0x7f, 0x6f];

// The bars' outlines on the console's grid of 20 x 38 units, four units thick.
const BAR_OUTLINES = [
  '2,1 18,1 14,5 6,5',
  '1,2 1,18 5,14 5,6',
  '19,2 19,18 15,14 15,6',
  '2,19 4,17 16,17 18,19 16,21 4,21',
  '1,20 1,36 5,32 5,24',
  '19,20 19,36 15,32 15,24',
  '2,37 18,37 14,33 6,33',
];

const SVG = 'http://www.w3.org/2000/svg';

function svgElement(name, attributes) {
  const element = document.createElementNS(SVG, name);
  for (const [key, value] of Object.entries(attributes || {})) {
    element.setAttribute(key, value);
  }
  return element;
}

// One digit of 20 x 38 units at (x, y) in `parent`, part of the value `field`; returns a
// function that shows a character ('0' to '9'; anything else leaves every bar dark).
function addDigit(parent, x, y, colour, field) {
  const group = svgElement('g', {class: 'digit', transform: `translate(${x} ${y})`,
    'data-field': field});
  group.style.setProperty('--on', colour);
  const bars = BAR_OUTLINES.map((points) => {
    const bar = svgElement('polygon', {points, class: 'bar'});
    group.appendChild(bar);
    return bar;
  });
  parent.appendChild(group);
  return (character) => {
    const digit = '0123456789'.indexOf(character);
    const lit = digit >= 0 && character.length === 1 ? DIGIT_BARS[digit] : 0;
    bars.forEach((bar, i) => bar.classList.toggle('on', (lit & (1 << i)) !== 0));
  };
}

// A round dot between the minutes and the seconds, like the console's.
function addDot(parent, x, y, colour) {
  const dot = svgElement('circle', {cx: x, cy: y, r: 1.6, class: 'dot'});
  dot.style.fill = colour;
  parent.appendChild(dot);
}

function addText(parent, x, y, text, size, anchor) {
  const element = svgElement('text', {x, y, 'font-size': size, 'text-anchor': anchor || 'middle',
    class: 'label'});
  element.textContent = text;
  parent.appendChild(element);
  return element;
}

// A number of `count` digits, zero-padded the way the console shows it.
function padded(value, count) {
  const text = String(Number.isInteger(value) && value >= 0 ? value : '');
  return text.padStart(count, text ? '0' : ' ').slice(-count);
}

// The console sends a beat every 3 s while it has nothing else to send; a stream that has been
// quiet for this long belongs to a console that is frozen, or a cable that is pulled.
const QUIET_MS = 7000;

// Follows the console's event stream. `show(state)` gets every state; `stale(true)` when the
// line to the console is cut or has gone quiet, `stale(false)` once a fresh state has arrived.
// The browser reconnects by itself (the console asks for one second) after an error; a stream
// that the browser gave up (the console answered with an error) or that went quiet is opened
// again here.
function followConsole(show, stale) {
  let source = null;
  let quiet = 0;
  const open = () => {
    const current = new EventSource('events');
    source = current;
    const heard = () => {
      clearTimeout(quiet);
      quiet = setTimeout(() => {
        stale(true);
        current.close();
        open();
      }, QUIET_MS);
    };
    heard(); // a new connection has as long to say something
    current.addEventListener('beat', heard);
    current.onmessage = (event) => {
      heard();
      let state;
      try {
        state = JSON.parse(event.data);
      } catch (error) {
        return;
      }
      stale(false);
      show(state);
    };
    current.onerror = () => {
      stale(true);
      if (current.readyState === EventSource.CLOSED && source === current) {
        clearTimeout(quiet);
        setTimeout(open, 1000);
      }
    };
  };
  stale(true);
  open();
}
